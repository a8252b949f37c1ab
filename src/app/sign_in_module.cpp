// SPDX-License-Identifier: GPL-3.0-or-later
// The sign-in module: the only code of the program that links the web engine. The sign-in window
// process loads it (SignInWindowMain); the agent's own process never does.
#include "account/endpoints.h"
#include "core/paths.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "ui/keyring_secret_store.h"
#include "ui/mwin_login.h"
#include "ui/strings_table.h"

#include <QApplication>
#include <QIcon>
#include <string>

extern "C" __attribute__((visibility("default"))) int
rz_sign_in_window_run(int argc, char** argv, int logInOrOut,
                      void (*report)(int justLoggedIn, const char* code, const char* codeVerifier))
{
    // Like the agent, the window refuses to run without a data folder to keep the account in.
    const std::string applicationSupportFolder = rz::ApplicationSupportFolder();
    if (applicationSupportFolder.empty()) {
        return 1;
    }
    rz::PrepareSignInWebEngine();
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("redozevuviva"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/redozevuviva.svg")));
    rz::InstallTranslations(app);

    // The window saves the account the way the agent does, tokens in the keyring.
    rz::KeyringSecretStore keyring;
    rz::AppState state;
    state.Secrets = &keyring;
    state.Paths = rz::BuildAppPaths(applicationSupportFolder);
    // The window needs the user, not the tokens: the keyring is asked only when a sign-in saves.
    rz::MGlobalsOnline::LoadConfigFromFile(state, false);
    rz::ConfigureEndpoints(state);
    {
        rz::MWinLogin window(state);
        window.LogInOrOut = logInOrOut;
        window.showWindow();
    }
    report(state.JustLoggedIn ? 1 : 0, state.AuthorizationCode.Get().c_str(),
           state.CodeVerifier.Get().c_str());
    return 0;
}
