#include "core/account_settings.h"

#include "core/app_state.h"
#include "core/settings_store.h"

namespace rz {
namespace {

struct AccountKey
{
    const char* key;
    SharedString AppState::*value;
};

constexpr AccountKey kAccountKeys[] = {
    {"OnlineOneNoteAccessToken", &AppState::AccessToken},
    {"OnlineOneNoteRefreshToken", &AppState::RefreshToken},
    {"OnlineOneNoteUserId", &AppState::UserId},
    {"OnlineOneNoteUserPrincipalName", &AppState::UserPrincipalName},
};

} // namespace

void MGlobalsOnline::LoadConfig(AppState& state)
{
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (const AccountKey& entry : kAccountKeys) {
        SharedString& value = state.*entry.value;
        value.Set(settings->ReadValueDefStr(entry.key, value.Get()));
    }
}

bool MGlobalsOnline::SaveConfig(AppState& state)
{
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (const AccountKey& entry : kAccountKeys) {
        settings->WriteValueValueStr(entry.key, (state.*entry.value).Get());
    }
    return settings->Save();
}

} // namespace rz
