// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/http.h"

#include <functional>
#include <optional>
#include <string>

namespace rz {

// A request to OneNote for the signed-in account, whole: the escaped address below a Graph base.
struct TOneNoteRequest
{
    std::string Method = "GET";
    std::string Address;
    std::string ContentType;
    std::string Body;
    bool WaitForSlot = false; // a mirror request waits for its slot; any other is held back without one
};

// The HTTP request that carries it; the caller adds the token.
inline HttpRequest HttpRequestOf(const TOneNoteRequest& request)
{
    HttpRequest http;
    http.Method = request.Method;
    http.Url = request.Address;
    if (!request.ContentType.empty()) {
        http.Headers.push_back({"Content-Type", request.ContentType});
    }
    http.Body = request.Body;
    return http;
}

// What became of a request: its answer, none when nothing went out (held back, the sign-in
// window, the worker stops, `beforeSend` said no); and whether its 401 refreshed the tokens.
struct TOneNoteAnswer
{
    std::optional<HttpResponse> Response;
    bool TokensRefreshed = false;
    explicit operator bool() const { return Response.has_value(); }
    const HttpResponse* operator->() const { return &*Response; }
    HttpResponse& operator*() { return *Response; }
    const HttpResponse& operator*() const { return *Response; }
};

// What the writes to the notes need of the worker that owns the account: its sending and what it
// knows of addresses, no more. The mirror worker implements it; tests use a fake.
class TOneNoteChannel
{
public:
    virtual ~TOneNoteChannel() = default;

    // The base below which the page or section a relative address names ("/onenote/pages/{id}/…",
    // "/onenote/sections/{id}/…") is asked for: its owner's for an item of a shared notebook, else
    // the account's own. Empty while that is not known yet: nothing may be sent for the item then.
    virtual std::string BaseForAddress(const std::string& relative) = 0;
    // True once the worker is asked to stop: nothing more should be sent.
    virtual bool Stopping() const = 0;
    // True while an account holds an access token and the sign-in window is closed.
    virtual bool SignedIn() const = 0;
    // Sends under the request budget with the account's bearer; a 401 refreshes the tokens and sends
    // once more, a transport failure refreshes them for the next request. `beforeSend` runs before
    // each attempt goes out and stops it when it answers false. None when nothing went out (held
    // back by the budget, the sign-in window, the worker stopping or `beforeSend`).
    virtual std::optional<HttpResponse> Exchange(const TOneNoteRequest& request,
                                                 const std::function<bool()>& beforeSend) = 0;
};

} // namespace rz
