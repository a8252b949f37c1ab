// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/sign_in_refusal.h"

#include <string>
#include <string_view>

namespace rz {

struct AppState;

// The value of query field `fieldName` in an address, as it stands there (not decoded): the text
// after the first "<fieldName>=" up to the next "&" or the end. A field followed at once by "&" is
// empty.
std::string GetFieldValueFromURL(std::string_view url, std::string_view fieldName);
// The value of the field named exactly `name` among the "&"-separated fields of a query (the part
// after "?"), not decoded; empty when absent.
std::string QueryFieldValue(std::string_view query, std::string_view name);
// The authorization code of a redirect address, percent-decoded, so that a code the identity
// platform escaped in the address reaches the token endpoint as it was issued. Empty when the
// address carries no "?code=" or an empty code.
std::string AuthorizationCodeFromURL(std::string_view url);
// The "username" field of an address with every "%40" as "@"; empty without "&username=".
std::string UserNameFromURL(std::string_view url);

// The sign-in window's own token and identity requests, synchronous on the calling thread.
// Tokens from the code (with the state's CodeVerifier): nothing without a code; a failed request is parsed as
// an empty answer, so both tokens become empty; the account is saved only when an access token came back; no
// refresh. Gives the refusal the token endpoint answered with (none when it sent tokens, or nothing was
// sent or came back), so that it can be explained; the answer itself, tokens and all, stays here.
TSignInProblem LoginRetrieveTokensByCode(AppState& state);
// Identity: nothing without an access token; UserId and UserPrincipalName are cut out of whatever
// came back (empty on failure) and the account is saved in every case; no refresh.
void LoginRetrieveUserIdByToken(AppState& state);

} // namespace rz
