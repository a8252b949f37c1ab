// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/http.h"

#include "account/http_address.h"
#include "account/http_answer.h"
#include "util/log.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <strings.h>
#include <utility>

namespace rz {

namespace {

std::mutex g_TestCaMutex;
std::string g_TestCaFile; // guarded by g_TestCaMutex

thread_local const std::atomic<bool>* t_CancelFlag = nullptr;

// How often a cancellable request looks at its flag while it waits for the network.
constexpr int kCancelPollMs = 50;

// Runs the transfer through a multi handle that wakes every kCancelPollMs, so that a raised flag
// ends it at once (the easy interface's progress hook may wait a whole second).
CURLcode PerformCancellable(CURL* handle, const std::atomic<bool>& cancel)
{
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) {
        return CURLE_OUT_OF_MEMORY;
    }
    CURLcode result = CURLE_OK;
    if (curl_multi_add_handle(multi, handle) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_OUT_OF_MEMORY;
    }
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
        if (running == 0) {
            int left = 0;
            while (const CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
                    result = message->data.result;
                }
            }
            break;
        }
        if (cancel.load(std::memory_order_acquire)) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kCancelPollMs, nullptr) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
    }
    curl_multi_remove_handle(multi, handle);
    curl_multi_cleanup(multi);
    return result;
}

// Ends the transfer with a write error once the answer would pass its limit.
std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user)
{
    const std::size_t bytes = size * count;
    return static_cast<HttpBodySink*>(user)->Append(data, bytes) ? bytes : 0;
}

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// What CheckConnection saw, so that a refused connection is told apart from a cancel.
struct ConnectionCheck
{
    CURL* Handle = nullptr;
    std::string Refusal; // why the connection was refused; empty while none was
};

// Runs once a connection stands, before anything is sent on it, for the first request and each
// redirect: plain http must have reached this computer, whatever name led there.
int CheckConnection(void* user, char* primaryIp, char* /*localIp*/, int /*primaryPort*/, int /*localPort*/)
{
    auto* check = static_cast<ConnectionCheck*>(user);
    try {
        const char* url = nullptr;
        if (curl_easy_getinfo(check->Handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr) {
            check->Refusal = "refused: the address of the connection is unknown";
            return CURL_PREREQFUNC_ABORT;
        }
        const std::string_view ip = primaryIp != nullptr ? primaryIp : "";
        if (IsPermittedConnection(url, ip)) {
            return CURL_PREREQFUNC_OK;
        }
        check->Refusal = "refused: plain http to another computer (" + std::string(ip) + ")";
        LogWarning("HTTP request " + check->Refusal + ": " + std::string(AddressForLog(url)));
    } catch (...) {
        // Refused all the same; the failure is reported as one of the transport.
    }
    return CURL_PREREQFUNC_ABORT;
}

bool IsContentLength(std::string_view name)
{
    return name.size() == 14 && ::strncasecmp(name.data(), "Content-Length", 14) == 0;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Why the request may not be sent at all; none when it may.
std::optional<std::string> Refusal(const HttpRequest& request)
{
    for (const auto& header : request.Headers) {
        // A value taken from an answer (a token) must never be able to add headers of its own.
        if (header.Name.empty() || HasLineBreak(header.Name) || HasLineBreak(header.Value)) {
            LogDebug("HTTP request refused: header with a line break");
            return "refused: a header with a line break";
        }
    }
    if (!IsPermittedAddress(request.Url)) {
        LogWarning(std::string("HTTP request refused: not https and not this computer: ") +
                   std::string(AddressForLog(request.Url)));
        return "refused: not https and not this computer";
    }
    return std::nullopt;
}

// Owns the header list; curl_slist_append keeps the old list when it fails.
struct HeaderList
{
    curl_slist* Head = nullptr;
    HeaderList() = default;
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    ~HeaderList() { curl_slist_free_all(Head); }
    bool Add(const std::string& line)
    {
        curl_slist* next = curl_slist_append(Head, line.c_str());
        if (next == nullptr) {
            return false;
        }
        Head = next;
        return true;
    }
};

// Everything the handle points at while it runs, so it outlives the transfer in one place.
struct Transfer
{
    bool PlainHttp = false;
    bool Follow = false;
    HeaderList Headers;
    HttpBodySink Sink;
    ConnectionCheck Check;
    std::string CaFile;
    char ErrorText[CURL_ERROR_SIZE] = {};
    // Last, so it is cleaned up first: libcurl may still write its error text while closing.
    std::unique_ptr<CURL, CurlDeleter> Curl;
};

// False when memory ran out.
bool AddHeaders(const HttpRequest& request, HeaderList& headers)
{
    for (const auto& header : request.Headers) {
        // A hand-set length goes stale when a redirect drops the body; the transfer knows the truth.
        if (IsContentLength(header.Name)) {
            continue;
        }
        if (!headers.Add(header.Name + ": " + header.Value)) {
            return false;
        }
    }
    // No "Expect: 100-continue" round trip before a body.
    return headers.Add("Expect:");
}

// Where the request may go and how its answer is taken in: addresses, protocols, certificates,
// redirects, size limit, headers and time-out.
void SetTransferOptions(const HttpRequest& request, Transfer& t)
{
    CURL* h = t.Curl.get();
    t.Sink.Limit = request.MaxBodyBytes;
    curl_easy_setopt(h, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t.ErrorText);
    // An https start never steps down to http; a loopback http start may move within this computer,
    // which CheckConnection enforces per connection.
    const char* protocols = t.PlainHttp ? "http,https" : "https";
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    // Plain http is only ever for this computer: through a proxy it would leave it, and
    // CheckConnection would judge the proxy's address instead of the server's. https keeps them.
    if (t.PlainHttp) {
        curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    }
    t.Check.Handle = h;
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CheckConnection);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &t.Check);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    {
        std::lock_guard lock(g_TestCaMutex);
        t.CaFile = g_TestCaFile;
    }
    if (!t.CaFile.empty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, t.CaFile.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, t.Follow ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kHttpMaxRedirects);
    // Custom Authorization headers go to the first host only, whatever a redirect says.
    curl_easy_setopt(h, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.MaxBodyBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t.Sink);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, t.Headers.Head);
    if (request.TimeoutSeconds > 0 && std::isfinite(request.TimeoutSeconds)) {
        const long ms = std::max(1L, std::lround(request.TimeoutSeconds * 1000.0));
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, ms);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, ms);
    }
}

void SetMethod(const HttpRequest& request, CURL* h)
{
    if (request.Method == "GET") {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else if (request.Method == "POST") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.Body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.Body.data());
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.Method.c_str());
        if (!request.Body.empty()) {
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.Body.size()));
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.Body.data());
        }
    }
}

// The answer to a transfer that ended in a libcurl error.
HttpResponse TransferFailure(const HttpRequest& request, const Transfer& t, CURLcode code, long status)
{
    // A refused connection was never sent: a fault to report, not a request held back.
    const bool refused = code == CURLE_ABORTED_BY_CALLBACK && !t.Check.Refusal.empty();
    std::string cause = WithoutUserInfo(refused                  ? t.Check.Refusal
                                        : t.ErrorText[0] != '\0' ? t.ErrorText
                                                                 : curl_easy_strerror(code));
    LogDebug("HTTP " + request.Method + ' ' + WithoutUserInfo(AddressForLog(request.Url)) +
             " failed: " + cause);
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return FailedAnswer(HttpFailure::Timeout, status, std::move(cause));
    case CURLE_TOO_MANY_REDIRECTS:
        return FailedAnswer(HttpFailure::TooManyRedirects, status, std::move(cause));
    case CURLE_ABORTED_BY_CALLBACK:
        if (!refused) {
            return FailedAnswer(HttpFailure::Cancelled, status);
        }
        [[fallthrough]];
    default: {
        HttpResponse answer = FailedAnswer(HttpFailure::Transport, status, std::move(cause));
        // Before a connection stands no byte of the request has gone out: a write can be sent again.
        answer.NeverSent =
            status == 0 && (refused || code == CURLE_COULDNT_RESOLVE_HOST ||
                            code == CURLE_COULDNT_RESOLVE_PROXY || code == CURLE_COULDNT_CONNECT);
        return answer;
    }
    }
}

// The answer to a transfer libcurl completed: status, final address, redirect and Retry-After.
HttpResponse FinishedAnswer(const HttpRequest& request, Transfer& t, long status)
{
    CURL* h = t.Curl.get();
    HttpFinishedTransfer transfer;
    transfer.Status = status;
    const char* redirect = nullptr;
    transfer.UnfollowedRedirect = !t.Follow &&
                                  curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &redirect) == CURLE_OK &&
                                  redirect != nullptr;
    const char* finalUrl = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &finalUrl) == CURLE_OK && finalUrl != nullptr) {
        transfer.FinalUrl = finalUrl;
    }
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK && retryAfter > 0) {
        transfer.RetryAfterSeconds = static_cast<double>(retryAfter);
    }
    return AnswerOf(request, transfer, std::move(t.Sink));
}

HttpResponse Perform(const HttpRequest& request)
{
    if (std::optional<std::string> refusal = Refusal(request)) {
        HttpResponse answer = FailedAnswer(HttpFailure::Transport, 0, std::move(*refusal));
        answer.NeverSent = true;
        return answer;
    }
    InitCurlOnce();
    Transfer t;
    t.Curl.reset(curl_easy_init());
    if (!t.Curl || !AddHeaders(request, t.Headers)) {
        return FailedAnswer(HttpFailure::Transport, 0, "out of memory");
    }
    t.PlainHttp = !IsHttpsAddress(request.Url);
    t.Follow = request.FollowRedirects && request.Body.empty();
    SetTransferOptions(request, t);
    SetMethod(request, t.Curl.get());

    const std::atomic<bool>* cancel = t_CancelFlag;
    if (cancel != nullptr && cancel->load(std::memory_order_acquire)) {
        return FailedAnswer(HttpFailure::Cancelled);
    }
    const CURLcode code =
        cancel != nullptr ? PerformCancellable(t.Curl.get(), *cancel) : curl_easy_perform(t.Curl.get());
    long status = 0;
    curl_easy_getinfo(t.Curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (code != CURLE_OK) {
        return TransferFailure(request, t, code, status);
    }
    return FinishedAnswer(request, t, status);
}

} // namespace

HttpResponse HttpSend(const HttpRequest& request)
{
    try {
        return Perform(request);
    } catch (...) {
        return FailedAnswer(HttpFailure::Transport, 0, "internal error");
    }
}

void SetHttpTestCaFile(const std::string& path)
{
    std::lock_guard lock(g_TestCaMutex);
    g_TestCaFile = path;
}

ScopedHttpCancel::ScopedHttpCancel(const std::atomic<bool>& flag) : m_Previous(t_CancelFlag)
{
    t_CancelFlag = &flag;
}

ScopedHttpCancel::~ScopedHttpCancel()
{
    t_CancelFlag = m_Previous;
}

} // namespace rz
