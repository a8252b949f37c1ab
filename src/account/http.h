// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/http_address.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

struct HttpHeader
{
    std::string Name;
    std::string Value;
};

// Far above any Graph answer the system asks for.
inline constexpr std::size_t kHttpMaxBodyBytes = std::size_t{64} << 20;

// One synchronous request. The address is sent as given; build it with EscapeAddress first.
struct HttpRequest
{
    std::string Method = "GET";
    std::string Url;
    std::vector<HttpHeader> Headers;
    std::string Body;
    double TimeoutSeconds = 30.0; // whole request, connection included
    // False: a redirect answer ends the request as a transport failure instead of being followed.
    // A request with a body never follows one, so the body never reaches a host it was not meant for.
    bool FollowRedirects = true;
    // A longer answer ends the request as a transport failure; it is never held whole.
    std::size_t MaxBodyBytes = kHttpMaxBodyBytes;
};

// Why a request ended in an HTTP-layer error.
enum class HttpFailure {
    None,
    Unauthorized,     // the final answer had status 401
    Timeout,          // the time-out ran out
    TooManyRedirects, // more than kHttpMaxRedirects redirects
    Transport,        // DNS, connect, TLS, broken or over-long transfer, bad or refused address
    Cancelled,        // held back unsent, or stopped by the thread's cancel flag (ScopedHttpCancel)
};

inline constexpr long kHttpMaxRedirects = 5;

struct HttpResponse
{
    HttpFailure Failure = HttpFailure::None;
    long Status = 0;      // status of the final answer; 0 when none arrived
    std::string FinalUrl; // the address of the final answer, after redirects
    // The body as UTF-8 text. Empty on an HTTP-layer error, and when the bytes are not valid UTF-8.
    std::string Body;
    // Seconds the answer's "Retry-After" header asks the client to wait; 0 when absent.
    double RetryAfterSeconds = 0;
    // Why the request failed, in words for a log or a status line (never a header or a query value);
    // empty without a failure.
    std::string Message;
    // True when the request provably never left this computer: the name did not resolve, the
    // connection was refused or found no route, or the address was refused before sending.
    bool NeverSent = false;

    // A transport failure or status 401; every other status delivers its body.
    bool IsHttpError() const { return Failure != HttpFailure::None; }
};

// Sends the request on the calling thread and waits for the answer or the time-out. TLS is always
// verified; only https is spoken, and plain http only with this computer (IsPermittedAddress), for
// the first request and every redirect; redirects are followed, at most kHttpMaxRedirects; a bearer
// header never follows a redirect to another host. A "Content-Length" header is never taken from
// the caller: the transfer sets its own. Never throws.
HttpResponse HttpSend(const HttpRequest& request);

// Tests only: trusts the certificates of this PEM file instead of the system's. Empty restores
// the system's trust.
void SetHttpTestCaFile(const std::string& path);

// While alive, every request sent on the constructing thread ends soon after `flag` turns true,
// with HttpFailure::Cancelled, so that a thread waiting on a slow answer can be stopped and
// joined. Scopes nest; the innermost flag is the one checked.
class ScopedHttpCancel
{
public:
    explicit ScopedHttpCancel(const std::atomic<bool>& flag);
    ~ScopedHttpCancel();
    ScopedHttpCancel(const ScopedHttpCancel&) = delete;
    ScopedHttpCancel& operator=(const ScopedHttpCancel&) = delete;

private:
    const std::atomic<bool>* m_Previous;
};

} // namespace rz
