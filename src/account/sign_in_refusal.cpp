// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/sign_in_refusal.h"

#include "account/http_address.h"
#include "account/sign_in.h"
#include "util/json.h"
#include "util/text.h"
#include "util/utf8_prefix.h"

#include <cstddef>

namespace rz {

namespace {

// The service's codes have at most seven digits; a longer run is no code of its.
constexpr std::size_t kMaxCodeDigits = 12;
// The description is shown in the window: a redirect may carry any amount of text.
constexpr std::size_t kMaxDescriptionBytes = 1000;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The first "AADSTS<digits>" of a description, which names the cause more exactly than the error.
// A plain scan: the text comes from an address anyone can craft, and a backtracking regex recurses
// once per digit.
std::string AadstsCode(std::string_view description)
{
    constexpr std::string_view kPrefix = "AADSTS";
    for (std::size_t at = description.find(kPrefix); at != std::string_view::npos;
         at = description.find(kPrefix, at + 1)) {
        const std::size_t digits = at + kPrefix.size();
        std::size_t end = digits;
        while (end < description.size() && IsDigit(description[end])) {
            ++end;
        }
        if (end > digits && end - digits <= kMaxCodeDigits) {
            return std::string(description.substr(at, end - at));
        }
        at = end > digits ? end - 1 : at;
    }
    return {};
}

// At most kMaxDescriptionBytes, cut between characters, "…" marking the cut.
std::string CappedDescription(std::string description)
{
    if (description.size() <= kMaxDescriptionBytes) {
        return description;
    }
    return Utf8Prefix(description, kMaxDescriptionBytes) + "\u2026";
}

TSignInProblem Classify(std::string error, std::string description)
{
    TSignInProblem problem;
    if (error.empty()) {
        return problem;
    }
    const std::string aadsts = AadstsCode(description);
    problem.Code = aadsts.empty() ? error : aadsts;
    problem.Description = CappedDescription(std::move(description));
    if (aadsts == "AADSTS700016") {
        problem.Kind = TSignInRefusal::AppNotFound;
    } else if (aadsts == "AADSTS50011") {
        problem.Kind = TSignInRefusal::RedirectNotRegistered;
    } else if (aadsts == "AADSTS65001") {
        problem.Kind = TSignInRefusal::ConsentMissing;
    } else if (error == "access_denied") {
        problem.Kind = TSignInRefusal::AccessDenied;
    } else if (error == "invalid_request") {
        problem.Kind = TSignInRefusal::InvalidRequest;
    } else if (error == "unauthorized_client") {
        problem.Kind = TSignInRefusal::UnauthorizedClient;
    } else if (error == "invalid_grant") {
        problem.Kind = TSignInRefusal::InvalidGrant;
    } else {
        problem.Kind = TSignInRefusal::Other;
    }
    return problem;
}

// Query values arrive percent-encoded, blanks sometimes as "+".
std::string QueryText(std::string_view query, std::string_view name)
{
    return PercentDecode(StrReplaceAll(QueryFieldValue(query, name), "+", " "));
}

} // namespace

const char* SignInProblemTextKey(TSignInRefusal kind)
{
    switch (kind) {
    case TSignInRefusal::None:
        return "";
    case TSignInRefusal::AccessDenied:
        return "strSignInAccessDenied";
    case TSignInRefusal::InvalidRequest:
        return "strSignInInvalidRequest";
    case TSignInRefusal::UnauthorizedClient:
        return "strSignInUnauthorizedClient";
    case TSignInRefusal::AppNotFound:
        return "strSignInAppNotFound";
    case TSignInRefusal::RedirectNotRegistered:
        return "strSignInRedirectNotRegistered";
    case TSignInRefusal::ConsentMissing:
        return "strSignInConsentMissing";
    case TSignInRefusal::InvalidGrant:
        return "strSignInInvalidGrant";
    case TSignInRefusal::Other:
        return "strSignInOtherRefusal";
    }
    return "";
}

TSignInProblem SignInProblemFromRedirect(std::string_view url)
{
    const std::size_t question = url.find('?');
    if (question == std::string_view::npos) {
        return {};
    }
    std::string_view query = url.substr(question + 1);
    query = query.substr(0, query.find('#'));
    return Classify(QueryText(query, "error"), QueryText(query, "error_description"));
}

TSignInProblem SignInProblemFromTokenAnswer(std::string_view body)
{
    const Json answer = JsonTextToObject(body);
    if (!JsonText(answer, "access_token").empty()) {
        return {};
    }
    return Classify(JsonText(answer, "error"), JsonText(answer, "error_description"));
}

} // namespace rz
