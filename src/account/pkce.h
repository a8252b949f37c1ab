// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace rz {

// One sign-in's proof key and its guard against a forged redirect: the verifier stays with the
// client, the challenge (S256) and the state travel in the authorize address.
struct TSignInSecrets
{
    std::string State;
    std::string CodeVerifier;
    std::string CodeChallenge;
};

// Fresh random secrets, unpadded base64url text (RFC 7636 verifier: 43 characters). All empty when
// the system has no randomness to give, which the caller treats as a sign-in that cannot start.
TSignInSecrets MakeSignInSecrets();
// BASE64URL(SHA-256(verifier)) without padding: the S256 code challenge.
std::string CodeChallengeS256(std::string_view verifier);

} // namespace rz
