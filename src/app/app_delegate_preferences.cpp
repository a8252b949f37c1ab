// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's Preferences window and the preferences it applies.
#include "account/endpoints.h"
#include "app/app_delegate.h"
#include "core/autostart.h"
#include "core/preferences.h"
#include "mirror/store_query.h"
#include "state/app_state.h"
#include "ui/win_preferences.h"

#include <QAction>

namespace rz {

std::vector<TSectionChoice> AppDelegate::SectionChoices() const
{
    const std::string userId = m_State.UserId.Get();
    if (userId.empty() || m_State.Paths.StoreRootPath.empty()) {
        return {};
    }
    return MirroredSections(AccountStorePath(m_State.Paths.StoreRootPath, userId));
}

void AppDelegate::LoadPreferences()
{
    ApplyPreferences(rz::LoadPreferences(m_State.Paths.SettingsFilePath));
}

void AppDelegate::ApplyPreferences(const TPreferences& preferences)
{
    m_Preferences = std::make_unique<TPreferences>(preferences);
}

void AppDelegate::MenuItemPreferencesClick()
{
    WinPreferences::Hooks hooks;
    hooks.Changed = [this](const TPreferences& preferences) { ApplyPreferences(preferences); };
    hooks.StartAtLogin = [this](bool checked) { MenuItemStartAtLoginClick(checked); };
    hooks.TestSound = [this](const std::string& file, bool theme) {
        if (theme) {
            PlayThemeSound();
        } else {
            PlaySound(file);
        }
    };
    WinPreferences window(m_State.Paths.SettingsFilePath, SectionChoices(), IsAutostartEnabled(),
                          ReadmeStepsAddress(), std::move(hooks));
    window.exec();
}

} // namespace rz
