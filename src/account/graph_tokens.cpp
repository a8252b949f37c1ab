#include "account/graph_tokens.h"

#include "account/endpoints.h"
#include "core/account_settings.h"
#include "core/app_state.h"
#include "util/json.h"
#include "util/text.h"

#include <string>

namespace rz {

namespace {

std::string Marker(std::string_view key)
{
    std::string marker = "\"";
    marker += key;
    marker += "\":\"";
    return marker;
}

} // namespace

std::string JsonMarkerValue(std::string_view text, std::string_view key)
{
    return StrBetween(text, Marker(key), "\"");
}

bool HasJsonMarker(std::string_view text, std::string_view key)
{
    return StrContains(Marker(key), text);
}

std::string CodeExchangeForm(const std::string& clientId, const std::string& code)
{
    return FormBody({{"grant_type", "authorization_code"},
                     {"client_id", clientId},
                     {"code", code},
                     {"redirect_uri", RedirectAddress()}});
}

std::string RefreshForm(const std::string& clientId, const std::string& refreshToken)
{
    return FormBody({{"grant_type", "refresh_token"},
                     {"client_id", clientId},
                     {"refresh_token", refreshToken},
                     {"redirect_uri", RedirectAddress()}});
}

HttpResponse PostTokenForm(const std::string& form)
{
    HttpRequest request;
    request.Method = "POST";
    request.Url = TokenEndpointAddress();
    request.Headers = {{"Content-Length", std::to_string(form.size())},
                       {"Content-Type", "application/x-www-form-urlencoded"}};
    request.Body = form;
    request.TimeoutSeconds = kTokenRequestTimeoutSeconds;
    return HttpSend(request);
}

void MGraphTokens::RetrieveTokensByCode()
{
    const std::string code = m_State.AuthorizationCode.Get();
    if (code.empty()) {
        return;
    }
    const HttpResponse response = PostTokenForm(CodeExchangeForm(m_State.ClientId.Get(), code));
    if (response.IsHttpError()) {
        RefreshTokens();
        return;
    }
    m_State.AccessToken.Set(JsonMarkerValue(response.Body, "access_token"));
    m_State.RefreshToken.Set(JsonMarkerValue(response.Body, "refresh_token"));
    MGlobalsOnline::SaveConfig(m_State);
    m_RefreshTokensErrorCount = 0;
}

void MGraphTokens::RefreshTokens()
{
    const std::string refreshToken = m_State.RefreshToken.Get();
    if (refreshToken.empty()) {
        return;
    }
    const HttpResponse response = PostTokenForm(RefreshForm(m_State.ClientId.Get(), refreshToken));
    if (!response.Body.empty() && HasJsonMarker(response.Body, "access_token")) {
        m_State.AccessToken.Set(JsonMarkerValue(response.Body, "access_token"));
        m_State.RefreshToken.Set(JsonMarkerValue(response.Body, "refresh_token"));
        MGlobalsOnline::SaveConfig(m_State);
        m_RefreshTokensErrorCount = 0;
    } else {
        ++m_RefreshTokensErrorCount;
    }
}

void MGraphTokens::RetrieveUserIdByToken()
{
    if (m_State.AccessToken.Empty()) {
        return;
    }
    const HttpResponse response = GraphGet(CurrentUserAddress());
    if (response.IsHttpError()) {
        RefreshTokens();
        return;
    }
    m_State.UserId.Set(JsonMarkerValue(response.Body, "id"));
    m_State.UserPrincipalName.Set(JsonMarkerValue(response.Body, "userPrincipalName"));
    MGlobalsOnline::SaveConfig(m_State);
}

HttpResponse MGraphTokens::GraphGet(const std::string& address) const
{
    HttpRequest request;
    request.Url = EscapeAddress(address);
    request.Headers = {{"Authorization", "Bearer " + m_State.AccessToken.Get()}};
    request.TimeoutSeconds = kGraphRequestTimeoutSeconds;
    return HttpSend(request);
}

bool IsGraphReachable()
{
    HttpRequest request;
    request.Url = GraphRootAddress();
    request.TimeoutSeconds = kGraphRequestTimeoutSeconds;
    const HttpResponse response = HttpSend(request);
    if (response.IsHttpError()) {
        return response.Failure == HttpFailure::TooManyRedirects;
    }
    return IsPageContentResponse(response.Body);
}

} // namespace rz
