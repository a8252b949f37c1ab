// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/http.h"

#include <cstddef>
#include <string>

namespace rz {

// The body of an answer as it arrives, never held past its limit.
struct HttpBodySink
{
    std::string Data;
    std::size_t Limit = kHttpMaxBodyBytes;

    // Appends the bytes; false, holding nothing more, when they would pass the limit or memory
    // runs out, which ends the transfer.
    bool Append(const char* data, std::size_t bytes);
};

// What a transfer that ended without a transport failure learnt about its final answer.
struct HttpFinishedTransfer
{
    long Status = 0;
    // The answer was a redirect that the request did not follow.
    bool UnfollowedRedirect = false;
    std::string FinalUrl;
    double RetryAfterSeconds = 0;
};

// The answer the caller sees: status 401 and an unfollowed redirect are HTTP-layer errors, and a
// body that is not UTF-8 is dropped.
HttpResponse AnswerOf(const HttpRequest& request, const HttpFinishedTransfer& transfer, HttpBodySink&& sink);

// An answer with nothing but the failure, the status and the failure's cause.
HttpResponse FailedAnswer(HttpFailure failure, long status = 0, std::string message = {});

} // namespace rz
