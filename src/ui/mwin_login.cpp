// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mwin_login.h"

#include "account/endpoints.h"
#include "account/login_flow.h"
#include "core/settings_store.h"
#include "state/app_state.h"
#include "ui/strings_table.h"
#include "ui_MWinLogin.h"
#include "util/files.h"
#include "util/log.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFont>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <string>
#include <unistd.h>

namespace rz {
namespace {

constexpr const char* kGeometryKey = "SignInWindowGeometry";
// Chromium's code for a load that a newer navigation or a stop ended.
constexpr int kNetErrorAborted = -3;

PageLoadEnd LoadEndOf(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        return PageLoadEnd::Succeeded;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (info.errorCode() == kNetErrorAborted) {
            return PageLoadEnd::Stopped;
        }
        // An HTTP status with a body shows the service's own page; anything else leaves nothing.
        return info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ? PageLoadEnd::Failed
                                                                                 : PageLoadEnd::Unreachable;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
    case QWebEngineLoadingInfo::LoadStartedStatus:
        break;
    }
    return PageLoadEnd::Stopped;
}

} // namespace

void PrepareSignInWebEngine()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        LogWarning("running as root: the sign-in browser runs without its sandbox");
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--disable-gpu")) {
        flags += flags.isEmpty() ? "--disable-gpu" : " --disable-gpu";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Tidewell"));
    QCoreApplication::setApplicationName(QStringLiteral("RedoZevuviva"));
}

MWinLogin::MWinLogin(AppState& state, QWidget* parent)
    : QDialog(parent), m_State(state), m_Ui(std::make_unique<Ui::MWinLogin>()),
      m_Flow(std::make_unique<MLoginFlow>(state, 0))
{
    m_Ui->setupUi(this);
    setWindowTitle(UiText("strLoginWindowTitle"));
    m_Ui->buttonRetry->setText(UiText("strLoginRetry"));
    QFont titleFont = m_Ui->messageTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    m_Ui->messageTitle->setFont(titleFont);
    m_Ui->progressInd->hide();
    m_Ui->messageLink->hide();
    connect(m_Ui->buttonRetry, &QPushButton::clicked, this, &MWinLogin::buttonRetryClick);
    // The steps open in the desktop's browser, never in this window.
    connect(m_Ui->messageLink, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });

    // A named profile on disk below the data folder: a returning user's sign-in cookies survive,
    // and the sign-out has real cookies and cache to delete. Without a data folder nothing is kept.
    if (m_State.Paths.DataFolderPath.empty()) {
        m_Profile = std::make_unique<QWebEngineProfile>();
    } else {
        const std::string folder = m_State.Paths.DataFolderPath + "/" + kSignInProfileFolder;
        // Cookies here sign the user in; an older, looser folder is narrowed too.
        CreateFolder(folder);
        TightenFolderMode(folder);
        m_Profile = std::make_unique<QWebEngineProfile>(QString::fromLatin1(kSignInProfileName));
        m_Profile->setPersistentStoragePath(QString::fromStdString(folder));
        // The engine keeps its cache in "Cache" below this; the default lies outside the data folder.
        m_Profile->setCachePath(QString::fromStdString(folder));
        m_Profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        m_Profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    }
    m_Profile->setHttpUserAgent(
        QString::fromStdString(SignInUserAgent(m_Profile->httpUserAgent().toStdString())));

    m_WebView = new QWebEngineView(m_Ui->webViewHost);
    auto* page = new QWebEnginePage(m_Profile.get(), m_WebView);
    // Without the engine's own error page a failed load stays a failure the window can explain.
    page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_WebView->setPage(page);
    m_Ui->webViewLayout->addWidget(m_WebView);
    connect(page, &QWebEnginePage::loadingChanged, this, &MWinLogin::_WebViewWinProgressFinished);

    RestoreWindowGeometry();
}

MWinLogin::~MWinLogin()
{
    // The page must go before its profile.
    delete m_WebView;
    m_WebView = nullptr;
}

QProgressBar* MWinLogin::progressInd() const
{
    return m_Ui->progressInd;
}

QPushButton* MWinLogin::buttonRetry() const
{
    return m_Ui->buttonRetry;
}

bool MWinLogin::IsShowingUnreachable() const
{
    return m_Ui->pages->currentWidget() == m_Ui->messagePage && !m_Ui->buttonRetry->isHidden();
}

QString MWinLogin::MessageText() const
{
    return m_Ui->messageTitle->text() + QLatin1Char('\n') + m_Ui->messageText->text();
}

void MWinLogin::showWindow()
{
    windowDidLoad();
    show();
    raise();
    activateWindow();
    exec();
}

void MWinLogin::windowDidLoad()
{
    m_Flow->LogInOrOut = LogInOrOut;
    Perform(m_Flow->Start());
}

void MWinLogin::Login()
{
    Perform(m_Flow->Login());
}

void MWinLogin::Logout()
{
    Perform(m_Flow->Logout());
}

void MWinLogin::cleanCacheAndCookie()
{
    m_Profile->cookieStore()->deleteAllCookies();
    m_Profile->clearHttpCache();
    // Nothing is cached again in this process. Switching the cache off cuts the engine's own
    // clearing short and its old disk cache still writes for a moment; the files go once the next
    // page has finished.
    m_Profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_DiskCacheToDelete = true;
}

void MWinLogin::DeleteDiskCache()
{
    if (m_DiskCacheToDelete && !m_Profile->isOffTheRecord()) {
        m_DiskCacheToDelete = false;
        DeleteFolderContents(m_Profile->cachePath().toStdString() + "/Cache");
    }
}

void MWinLogin::buttonRetryClick()
{
    Login();
}

void MWinLogin::done(int result)
{
    if (!m_Closed) {
        m_Closed = true;
        SaveWindowGeometry();
        m_WebView->stop();
        DeleteDiskCache();
    }
    QDialog::done(result);
}

void MWinLogin::_WebViewWinProgressFinished(const QWebEngineLoadingInfo& info)
{
    if (m_Closed) {
        return;
    }
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        // Busy rather than a percentage: most of a sign-in page's time is the wait for the server.
        m_Ui->progressInd->setRange(0, 0);
        m_Ui->progressInd->show();
        return;
    }
    m_Ui->progressInd->hide();
    DeleteDiskCache();
    if (m_CleanWhenLoaded) {
        m_CleanWhenLoaded = false;
        cleanCacheAndCookie();
    }
    QUrl url = m_WebView->page()->url();
    if (url.isEmpty()) {
        url = info.url();
    }
    const PageLoadEnd end = LoadEndOf(info);
    const LoginStep step = m_Flow->PageFinished(url.toString(QUrl::FullyEncoded).toStdString(), end);
    if (step.Action == LoginAction::ShowUnreachable) {
        m_PageShown = false;
        const QString host = info.url().host().isEmpty() ? url.host() : info.url().host();
        QString text = UiText("strLoginUnreachableText").arg(host);
        if (!info.errorString().isEmpty()) {
            text += QStringLiteral("\n\n(") + info.errorString() + QLatin1Char(')');
        }
        ShowMessage(UiText("strLoginUnreachableTitle"), text, true);
    } else if (step.Action == LoginAction::ShowRefusal) {
        m_PageShown = false;
        ShowRefusal();
    } else {
        if (end != PageLoadEnd::Unreachable) {
            m_PageShown = true;
            if (step.Action == LoginAction::None) {
                ShowWebView();
            }
        }
        Perform(step);
    }
    emit PageHandled(url);
}

void MWinLogin::Perform(const LoginStep& step)
{
    switch (step.Action) {
    case LoginAction::Load:
        // Until a page has come, a blank view would look like a broken window.
        if (m_PageShown) {
            ShowWebView();
        } else {
            ShowMessage(UiText("strLoginConnecting"), QString(), false);
        }
        m_WebView->load(QUrl(QString::fromStdString(step.Address), QUrl::TolerantMode));
        // Not now: switching the cache off while the page loads silently ends that load, and the
        // window would wait for it for ever. The sign-out page goes with the cookies it ends.
        m_CleanWhenLoaded = step.CleanCacheAndCookie;
        break;
    case LoginAction::RetrieveAccount:
        FinishSignIn();
        break;
    case LoginAction::ShowUnreachable:
    case LoginAction::ShowRefusal:
    case LoginAction::None:
        break;
    }
}

void MWinLogin::ShowWebView()
{
    m_Ui->pages->setCurrentWidget(m_Ui->webViewHost);
}

void MWinLogin::ShowRefusal()
{
    const TSignInProblem& problem = m_Flow->Problem();
    QString argument = QString::fromStdString(problem.Code);
    if (problem.Kind == TSignInRefusal::AppNotFound) {
        argument = QString::fromStdString(m_State.ClientId.Get());
    } else if (problem.Kind == TSignInRefusal::RedirectNotRegistered) {
        argument = QString::fromStdString(RedirectAddress());
    }
    QString text = UiText(SignInProblemTextKey(problem.Kind));
    if (text.contains(QLatin1String("%1"))) {
        text = text.arg(argument);
    }
    if (!problem.Description.empty()) {
        text += QStringLiteral("\n\n") +
                UiText("strSignInServiceSaid").arg(QString::fromStdString(problem.Description));
    }
    ShowMessage(UiText("strSignInRefusedTitle"), text, true);
    m_Ui->messageLink->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                                   .arg(QString::fromStdString(ReadmeStepsAddress()).toHtmlEscaped(),
                                        UiText("strSignInReadmeLink").toHtmlEscaped()));
    m_Ui->messageLink->show();
}

void MWinLogin::ShowMessage(const QString& title, const QString& text, bool retry)
{
    m_Ui->messageLink->hide();
    m_Ui->messageTitle->setText(title);
    m_Ui->messageText->setText(text);
    m_Ui->buttonRetry->setVisible(retry);
    m_Ui->pages->setCurrentWidget(m_Ui->messagePage);
    if (retry) {
        m_Ui->buttonRetry->setFocus();
    }
}

void MWinLogin::FinishSignIn()
{
    // The requests block this thread; say so before they start.
    ShowMessage(UiText("strLoginFinishing"), QString(), false);
    m_Ui->progressInd->setRange(0, 0);
    m_Ui->progressInd->show();
    repaint();
    if (!m_Flow->RetrieveAccount()) {
        m_Ui->progressInd->hide();
        ShowRefusal();
        return;
    }
    accept();
}

void MWinLogin::RestoreWindowGeometry()
{
    // A read alone needs no transaction: saves replace the file whole.
    const std::string saved =
        MConfig(m_State.Paths.SettingsFilePath).ReadValueDefStr(kGeometryKey, std::string());
    if (!saved.empty()) {
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(saved)));
    }
}

void MWinLogin::SaveWindowGeometry()
{
    MConfigTransaction settings(m_State.Paths.SettingsFilePath);
    settings->WriteValueValueStr(kGeometryKey, saveGeometry().toBase64().toStdString());
    settings->Save();
}

} // namespace rz
