// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/http_answer.h"

#include "account/http_address.h"
#include "util/log.h"
#include "util/text.h"

#include <utility>

namespace rz {

bool HttpBodySink::Append(const char* data, std::size_t bytes)
{
    if (bytes > Limit || Data.size() > Limit - bytes) {
        return false;
    }
    try {
        Data.append(data, bytes);
    } catch (...) {
        return false;
    }
    return true;
}

HttpResponse FailedAnswer(HttpFailure failure, long status, std::string message)
{
    HttpResponse response;
    response.Failure = failure;
    response.Status = status;
    response.Message = std::move(message);
    return response;
}

HttpResponse AnswerOf(const HttpRequest& request, const HttpFinishedTransfer& transfer, HttpBodySink&& sink)
{
    if (transfer.Status == 401) {
        return FailedAnswer(HttpFailure::Unauthorized, transfer.Status);
    }
    if (transfer.UnfollowedRedirect) {
        LogDebug("HTTP " + request.Method + ' ' + std::string(AddressForLog(request.Url)) +
                 " refused a redirect");
        return FailedAnswer(HttpFailure::Transport, transfer.Status, "refused: a redirect");
    }
    HttpResponse response;
    response.Status = transfer.Status;
    response.FinalUrl = transfer.FinalUrl;
    response.RetryAfterSeconds = transfer.RetryAfterSeconds;
    if (IsValidUtf8(sink.Data)) {
        response.Body = std::move(sink.Data);
    } else {
        LogDebug("HTTP answer is not valid UTF-8");
    }
    return response;
}

} // namespace rz
