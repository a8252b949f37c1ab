// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/http.h"

#include "util/log.h"
#include "util/text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cmath>
#include <cstddef>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <strings.h>

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

struct BodySink
{
    std::string Data;
    std::size_t Limit = kHttpMaxBodyBytes;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t bytes = size * count;
    if (bytes > sink->Limit || sink->Data.size() > sink->Limit - bytes) {
        return 0; // makes curl end the transfer with a write error
    }
    try {
        sink->Data.append(data, bytes);
    } catch (...) {
        return 0;
    }
    return bytes;
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

bool IsLoopbackHost(std::string host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (::strcasecmp(host.c_str(), "localhost") == 0) {
        return true;
    }
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    return ::inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// Runs once a connection stands, before anything is sent on it, for the first request and each
// redirect: plain http must have reached this computer, whatever name led there.
int CheckConnection(void* user, char* primaryIp, char* /*localIp*/, int /*primaryPort*/, int /*localPort*/)
{
    const char* url = nullptr;
    if (curl_easy_getinfo(static_cast<CURL*>(user), CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK ||
        url == nullptr) {
        return CURL_PREREQFUNC_ABORT;
    }
    if (StartsWithNoCase(url, "https://") || (primaryIp != nullptr && IsLoopbackHost(primaryIp))) {
        return CURL_PREREQFUNC_OK;
    }
    LogWarning("HTTP request refused: plain http to another computer");
    return CURL_PREREQFUNC_ABORT;
}

bool IsContentLength(std::string_view name)
{
    return name.size() == 14 && StartsWithNoCase(name, "Content-Length");
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The address without its query, so that log lines never carry query values.
std::string_view AddressForLog(std::string_view url)
{
    return url.substr(0, url.find_first_of("?#"));
}

HttpResponse Fail(HttpFailure failure, long status = 0)
{
    HttpResponse response;
    response.Failure = failure;
    response.Status = status;
    return response;
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Reserved characters that keep their meaning in a path or query; "[" and "]" are legal only
// around an IPv6 host, which EscapeAddress leaves alone anyway.
bool IsKeptReserved(unsigned char c)
{
    return c != '\0' &&
           std::string_view("!#$&'()*+,/:;=?@").find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendEscaped(std::string& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

HttpResponse Perform(const HttpRequest& request)
{
    for (const auto& header : request.Headers) {
        // A value taken from an answer (a token) must never be able to add headers of its own.
        if (header.Name.empty() || HasLineBreak(header.Name) || HasLineBreak(header.Value)) {
            LogDebug("HTTP request refused: header with a line break");
            return Fail(HttpFailure::Transport);
        }
    }

    if (!IsPermittedAddress(request.Url)) {
        LogWarning(std::string("HTTP request refused: not https and not this computer: ") +
                   std::string(AddressForLog(request.Url)));
        return Fail(HttpFailure::Transport);
    }
    const bool plainHttp = !StartsWithNoCase(request.Url, "https://");
    const bool follow = request.FollowRedirects && request.Body.empty();

    InitCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        return Fail(HttpFailure::Transport);
    }
    CURL* h = curl.get();

    // Owns the header list; curl_slist_append keeps the old list when it fails.
    struct HeaderList
    {
        curl_slist* Head = nullptr;
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
    } headers;
    for (const auto& header : request.Headers) {
        // A hand-set length goes stale when a redirect drops the body; the transfer knows the truth.
        if (IsContentLength(header.Name)) {
            continue;
        }
        if (!headers.Add(header.Name + ": " + header.Value)) {
            return Fail(HttpFailure::Transport);
        }
    }
    // No "Expect: 100-continue" round trip before a body.
    if (!headers.Add("Expect:")) {
        return Fail(HttpFailure::Transport);
    }

    BodySink sink;
    sink.Limit = request.MaxBodyBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    // An https start never steps down to http; a loopback http start may move within this computer,
    // which CheckConnection enforces per connection.
    const char* protocols = plainHttp ? "http,https" : "https";
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CheckConnection);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, h);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    std::string caFile;
    {
        std::lock_guard lock(g_TestCaMutex);
        caFile = g_TestCaFile;
    }
    if (!caFile.empty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kHttpMaxRedirects);
    // Custom Authorization headers go to the first host only, whatever a redirect says.
    curl_easy_setopt(h, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.MaxBodyBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.Head);
    const std::atomic<bool>* cancel = t_CancelFlag;
    if (cancel != nullptr && cancel->load(std::memory_order_acquire)) {
        return Fail(HttpFailure::Cancelled);
    }
    if (request.TimeoutSeconds > 0 && std::isfinite(request.TimeoutSeconds)) {
        const long ms = std::max(1L, std::lround(request.TimeoutSeconds * 1000.0));
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, ms);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, ms);
    }

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

    const CURLcode code = cancel != nullptr ? PerformCancellable(h, *cancel) : curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (code != CURLE_OK) {
        std::string line = "HTTP ";
        line += request.Method;
        line += ' ';
        line += AddressForLog(request.Url);
        line += " failed: ";
        line += errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
        LogDebug(line);
        switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return Fail(HttpFailure::Timeout, status);
        case CURLE_TOO_MANY_REDIRECTS:
            return Fail(HttpFailure::TooManyRedirects, status);
        case CURLE_ABORTED_BY_CALLBACK:
            return Fail(HttpFailure::Cancelled, status);
        default:
            return Fail(HttpFailure::Transport, status);
        }
    }
    if (status == 401) {
        return Fail(HttpFailure::Unauthorized, status);
    }
    const char* redirect = nullptr;
    if (!follow && curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &redirect) == CURLE_OK &&
        redirect != nullptr) {
        LogDebug("HTTP " + request.Method + ' ' + std::string(AddressForLog(request.Url)) +
                 " refused a redirect");
        return Fail(HttpFailure::Transport, status);
    }

    HttpResponse response;
    response.Status = status;
    const char* finalUrl = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &finalUrl) == CURLE_OK && finalUrl != nullptr) {
        response.FinalUrl = finalUrl;
    }
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK && retryAfter > 0) {
        response.RetryAfterSeconds = static_cast<double>(retryAfter);
    }
    if (IsValidUtf8(sink.Data)) {
        response.Body = std::move(sink.Data);
    } else {
        LogDebug("HTTP answer is not valid UTF-8");
    }
    return response;
}

} // namespace

HttpResponse HttpSend(const HttpRequest& request)
{
    try {
        return Perform(request);
    } catch (...) {
        return Fail(HttpFailure::Transport);
    }
}

namespace {

bool IsPermittedUrl(const std::string& text)
{
    CURLU* url = curl_url();
    if (url == nullptr) {
        return false;
    }
    bool permitted = false;
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_set(url, CURLUPART_URL, text.c_str(), 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        permitted =
            ::strcasecmp(scheme, "https") == 0 || (::strcasecmp(scheme, "http") == 0 && IsLoopbackHost(host));
    }
    curl_free(scheme);
    curl_free(host);
    curl_url_cleanup(url);
    return permitted;
}

} // namespace

bool IsPermittedAddress(std::string_view address)
{
    try {
        return IsPermittedUrl(std::string(address));
    } catch (...) {
        return false;
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

std::string EscapeAddress(std::string_view address)
{
    std::string out;
    try {
        std::size_t start = 0;
        const std::size_t scheme = address.find("://");
        if (scheme != std::string_view::npos) {
            start = address.find_first_of("/?#", scheme + 3);
            if (start == std::string_view::npos) {
                start = address.size();
            }
        }
        out.reserve(address.size() + 16);
        out.append(address.substr(0, start));
        for (std::size_t i = start; i < address.size(); ++i) {
            const auto c = static_cast<unsigned char>(address[i]);
            if (IsUnreserved(c) || IsKeptReserved(c)) {
                out += static_cast<char>(c);
            } else {
                AppendEscaped(out, c);
            }
        }
    } catch (...) {
        return {};
    }
    return out;
}

std::string FormEncode(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            out += ch;
        } else {
            AppendEscaped(out, c);
        }
    }
    return out;
}

std::string FormBody(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) {
            body += '&';
        }
        body += name;
        body += '=';
        body += FormEncode(value);
    }
    return body;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace rz
