// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace rz {

// Why the identity platform refused a sign-in, as far as the agent can tell the user what to do.
enum class TSignInRefusal {
    None,
    AccessDenied,          // the user declined consent (error=access_denied)
    InvalidRequest,        // error=invalid_request
    UnauthorizedClient,    // error=unauthorized_client
    AppNotFound,           // AADSTS700016: the application id is wrong or not for personal accounts
    RedirectNotRegistered, // AADSTS50011
    ConsentMissing,        // AADSTS65001
    InvalidGrant,          // invalid_grant: the code expired or was used
    Other,                 // any other error the service named
};

struct TSignInProblem
{
    TSignInRefusal Kind = TSignInRefusal::None;
    // The service's error value, or "AADSTS<n>" when it gave one.
    std::string Code;
    // The service's own description, decoded; may be empty.
    std::string Description;
};

// A redirect address carrying "error=" (the authorize step refused); None otherwise.
TSignInProblem SignInProblemFromRedirect(std::string_view url);
// The strings-table key of the message that says what to do; empty for None. AppNotFound takes the
// application id as %1, RedirectNotRegistered the redirect address, Other the code.
const char* SignInProblemTextKey(TSignInRefusal kind);
// The token endpoint's answer to the code exchange; None when it holds an access token or no
// "error" member.
TSignInProblem SignInProblemFromTokenAnswer(std::string_view body);

} // namespace rz
