// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/sign_in.h"

#include "account/endpoints.h"
#include "account/graph_tokens.h"
#include "account/http.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "util/text.h"

#include <string>

namespace rz {

std::string GetFieldValueFromURL(std::string_view url, std::string_view fieldName)
{
    std::string key(fieldName);
    key += '=';
    const std::size_t found = url.find(key);
    if (fieldName.empty() || found == std::string_view::npos) {
        return {};
    }
    // An "&" right after the key is an empty value, not the start of the value.
    const std::size_t start = found + key.size();
    const std::size_t end = url.find('&', start);
    return std::string(
        url.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string QueryFieldValue(std::string_view query, std::string_view name)
{
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view field = query.substr(0, end);
        if (field.size() > name.size() && field.substr(0, name.size()) == name && field[name.size()] == '=') {
            return std::string(field.substr(name.size() + 1));
        }
        if (end == std::string_view::npos) {
            break;
        }
        query.remove_prefix(end + 1);
    }
    return {};
}

std::string AuthorizationCodeFromURL(std::string_view url)
{
    if (!StrContains("?code=", url)) {
        return {};
    }
    return PercentDecode(GetFieldValueFromURL(url, "code"));
}

std::string UserNameFromURL(std::string_view url)
{
    if (!StrContains("&username=", url)) {
        return {};
    }
    return StrReplaceAll(GetFieldValueFromURL(url, "username"), "%40", "@");
}

TSignInProblem LoginRetrieveTokensByCode(AppState& state)
{
    const std::string code = state.AuthorizationCode.Get();
    if (code.empty()) {
        return {};
    }
    const HttpResponse response =
        PostTokenForm(CodeExchangeForm(state.ClientId.Get(), code, state.CodeVerifier.Get()));
    if (SetTokensFromAnswer(state, response.Body)) {
        MGlobalsOnline::SaveConfig(state, AccountSave::SignIn);
    }
    return SignInProblemFromTokenAnswer(response.Body);
}

void LoginRetrieveUserIdByToken(AppState& state)
{
    const std::string accessToken = state.AccessToken.Get();
    if (accessToken.empty()) {
        return;
    }
    SaveIdentityFromAnswer(state, GraphGetWithToken(CurrentUserAddress(), accessToken, state).Body);
}

} // namespace rz
