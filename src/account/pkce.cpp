// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/pkce.h"

#include <array>
#include <cstddef>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace rz {
namespace {

std::string Base64Url(const unsigned char* data, std::size_t size)
{
    std::string text(4 * ((size + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), data, static_cast<int>(size));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    while (!text.empty() && text.back() == '=') {
        text.pop_back();
    }
    for (char& c : text) {
        c = c == '+' ? '-' : c == '/' ? '_' : c;
    }
    return text;
}

std::string RandomText()
{
    std::array<unsigned char, 32> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        return {};
    }
    return Base64Url(bytes.data(), bytes.size());
}

} // namespace

TSignInSecrets MakeSignInSecrets()
{
    TSignInSecrets secrets;
    secrets.State = RandomText();
    secrets.CodeVerifier = RandomText();
    if (secrets.State.empty() || secrets.CodeVerifier.empty()) {
        return {};
    }
    secrets.CodeChallenge = CodeChallengeS256(secrets.CodeVerifier);
    return secrets;
}

std::string CodeChallengeS256(std::string_view verifier)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(verifier.data(), verifier.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1) {
        return {};
    }
    return Base64Url(digest.data(), length);
}

} // namespace rz
