// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QProgressBar;
class QPushButton;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

namespace Ui {
class MWinLogin;
}

namespace rz {

struct AppState;
class MLoginFlow;
struct LoginStep;

// The browser profile below the data folder: cookies and the HTTP cache of the sign-in. It is where
// the engine puts a profile of this name when the application's data location is the data folder,
// so the engine creates nothing elsewhere.
inline constexpr const char* kSignInProfileName = "SignIn";
inline constexpr const char* kSignInProfileFolder = "QtWebEngine/SignIn";

// Sets up the web engine's process before the QApplication exists: the sandbox stays on, except
// for root, where Chromium refuses to start with it; the GPU stays off, since a sign-in page needs
// none and the GPU process would only cost memory and driver trouble. The application's names
// make its data location the data folder ("Tidewell/RedoZevuviva").
void PrepareSignInWebEngine();

// The sign-in window: the authorization-code flow in an embedded browser, run modally. The
// decisions are MLoginFlow's; this window loads what it says and shows progress and problems.
// Made afresh for each showing.
class MWinLogin : public QDialog
{
    Q_OBJECT
public:
    // The state's paths and account must be loaded; the account strings are written here.
    explicit MWinLogin(AppState& state, QWidget* parent = nullptr);
    ~MWinLogin() override;

    // 0: sign in; any other value: sign out first, then sign in. Set before showing.
    int LogInOrOut = 0;

    // Starts the flow and runs the window modally; returns once it closed.
    void showWindow();
    // Remembers the user, then starts Login or Logout. showWindow calls it; tests that show the
    // window without its modal loop call it themselves.
    void windowDidLoad();

    void Login();
    void Logout();
    // Deletes every cookie and cached answer of the profile and keeps its cache off from then on.
    void cleanCacheAndCookie();

    QWebEngineView* WebViewWin() const { return m_WebView; }
    QWebEngineProfile* Profile() const { return m_Profile.get(); }
    const MLoginFlow& Flow() const { return *m_Flow; }
    QProgressBar* progressInd() const;
    QPushButton* buttonRetry() const;
    // True while the unreachable message stands in for the page.
    bool IsShowingUnreachable() const;
    QString MessageText() const;

signals:
    // After the page handler ran for a finished top-level load.
    void PageHandled(const QUrl& url);

public slots:
    void buttonRetryClick();
    void done(int result) override;

private:
    void _WebViewWinProgressFinished(const QWebEngineLoadingInfo& info);
    void Perform(const LoginStep& step);
    void ShowWebView();
    void ShowMessage(const QString& title, const QString& text, bool retry);
    // The flow's refusal: what went wrong, what to do, and the link to the registration steps.
    void ShowRefusal();
    void FinishSignIn();
    void DeleteDiskCache();
    void RestoreWindowGeometry();
    void SaveWindowGeometry();

    AppState& m_State;
    std::unique_ptr<Ui::MWinLogin> m_Ui;
    std::unique_ptr<MLoginFlow> m_Flow;
    // Outlives the page, which the view owns and which is deleted first.
    std::unique_ptr<QWebEngineProfile> m_Profile;
    QWebEngineView* m_WebView = nullptr;
    bool m_Closed = false;
    bool m_DiskCacheToDelete = false;
    bool m_CleanWhenLoaded = false; // the sign-out page is loading; clean up once it finished
    bool m_PageShown = false;
};

} // namespace rz
