// SPDX-License-Identifier: GPL-3.0-or-later
// Shows every window of the agent at once, filled with sample reminders, near misses and due
// reminders, for the accessibility check (tests/ui/accessibility_check.py) and for looking at them
// under Xvfb. It checks the keyboard order of each window itself and prints "tab order:" lines for
// each step that goes against the reading order. Then, while it holds, a reminder comes due and the
// status window's account line turns red, so the check hears both announced.
//
// Its texts come in the language of the environment (LANGUAGE, LC_ALL, LANG), as the agent's do.
//
//   window_tour [--hold SECONDS] [--menu] [--icon FILE] [--grab FOLDER]
//   --menu: also pop up the tray menu; --icon: write the tray icon, at 64 pixels, to a PNG file;
//   --grab: write each window, the tray menu and the tray icon to PNG files in the folder
#include "app/app_delegate.h"
#include "core/settings_store.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "test_support.h"
#include "ui/main_window.h"
#include "ui/mwin_about.h"
#include "ui/mwin_help.h"
#include "ui/mwin_monitor.h"
#include "ui/mwin_pending_reminders.h"
#include "ui/strings_table.h"
#include "ui/win_new_reminder.h"
#include "ui/win_preferences.h"
#include "util/dates.h"
#include "util/files.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace rz;

// The widgets Tab reaches in the window, in the order it reaches them.
std::vector<QWidget*> FocusChain(QWidget* window)
{
    std::vector<QWidget*> chain;
    QWidget* w = window;
    for (int guard = 0; guard < 500; ++guard) {
        w = w->nextInFocusChain();
        if (w == window) {
            break;
        }
        // The editor inside a spin box or an editable combo box stands for its owner, which the chain
        // has just passed.
        const bool proxy = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr ||
                           qobject_cast<QComboBox*>(w->parentWidget()) != nullptr;
        if (!proxy && w->window() == window && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            chain.push_back(w);
        }
    }
    return chain;
}

// Reading order: top to bottom, and left to right within a row.
int CheckTabOrder(QWidget* window)
{
    int faults = 0;
    const std::vector<QWidget*> chain = FocusChain(window);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(window, QPoint(0, 0)), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(window, QPoint(0, 0)), chain[i]->size());
        const bool sameRow = b.center().y() - a.center().y() < std::max(a.height(), b.height()) / 2 &&
                             a.center().y() - b.center().y() < std::max(a.height(), b.height()) / 2;
        const bool forward = sameRow ? b.center().x() > a.center().x() : b.center().y() > a.center().y();
        if (!forward) {
            std::printf("tab order: %s: %s before %s\n", qPrintable(window->objectName()),
                        qPrintable(chain[i - 1]->objectName()), qPrintable(chain[i]->objectName()));
            ++faults;
        }
    }
    return faults;
}

std::string PageJson(const std::string& id, const std::string& title, const std::string& section)
{
    return R"({"id":")" + id + R"(","title":")" + title +
           R"(","createdDateTime":"2026-03-01T09:00:00Z","lastModifiedDateTime":"2026-03-02T09:00:00Z",)"
           R"("parentSection":{"id":"S-)" +
           section + R"(","displayName":")" + section +
           R"("},"links":{"oneNoteClientUrl":{"href":"onenote:)" + id + R"("}}})";
}

} // namespace

int main(int argc, char** argv)
{
    int holdSeconds = 20;
    bool menu = false;
    QString iconFile;
    QString grabFolder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hold") == 0 && i + 1 < argc) {
            holdSeconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--menu") == 0) {
            menu = true;
        } else if (std::strcmp(argv[i], "--icon") == 0 && i + 1 < argc) {
            iconFile = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--grab") == 0 && i + 1 < argc) {
            grabFolder = QString::fromLocal8Bit(argv[++i]);
            menu = true;
        }
    }
    QApplication qapp(argc, argv);
    InstallTranslations(qapp);
    test::TempDir home;
    test::ScopedEnv homeVar("HOME", home.Path().c_str());
    test::ScopedEnv dataVar("XDG_DATA_HOME", (home.Path() + "/data").c_str());
    test::ScopedEnv configVar("XDG_CONFIG_HOME", (home.Path() + "/config").c_str());
    const std::string data = home.Path() + "/data/Tidewell/RedoZevuviva";
    CreateFolder(data);
    {
        // Signed in, with the service out of reach: the worker finds nothing listening.
        MConfig settings(data + "/velaapp.plist");
        for (const char* key : {"GraphEndpoint", "IdentityEndpoint", "AccountEndpoint"}) {
            settings.WriteValueValueStr(key, "http://127.0.0.1:9");
        }
        settings.WriteValueValueStr("OnlineOneNoteAccessToken", "token");
        settings.WriteValueValueStr("OnlineOneNoteUserId", "user");
        settings.WriteValueValueStr("OnlineOneNoteUserPrincipalName", "anna@example.org");
        settings.Save();
    }

    AppState state;
    AppDelegate app(state);
    app.SetAlertSoundPlayer([] {});
    app.SetSignInRunner([](int) { return SignInResult{}; });
    if (!app.applicationDidFinishLaunching()) {
        std::fprintf(stderr, "window_tour: the agent did not start\n");
        return 2;
    }

    const Date now = DateNow();
    const WeekDayFlags days = DefaultWeekDays();
    state.ReminderList.AddUnique(kPageTitleReminder, "Dentist !2099-03-04 10:30", "P1", "P1", "onenote:P1",
                                 DateFromParts(2099, 3, 4, 10, 30, 0), 0, days);
    state.ReminderList.AddUnique(kPageTitleReminder, "Call Anna !2099-03-05", "P2", "P2", "onenote:P2",
                                 DateFromParts(2099, 3, 5, 0, 0, 0), 0, days);
    state.PendingReminderList.AddUnique(kPageTitleReminder, "Standup !! 09:00", "P4", "P4", "onenote:P4", now,
                                        1, days);
    state.PendingReminderList.AddUnique(kPageTitleReminder, "Pay rent !2026-03-01", "P5", "P5", "onenote:P5",
                                        now, 0, days);
    state.ReminderListChanged = true;
    // The page list the engine loads, near misses among its titles.
    const std::string pages = "{\"value\":[" + PageJson("N1", "Standup !! 25:00", "Work") + "," +
                              PageJson("N2", "Dentist !26-03-04 10:30", "Health") + "," +
                              PageJson("N3", "Call Bob !2026-13-01 10:00", "Work") + "," +
                              PageJson("N4", "Idea !! later", "Ideas") + "]}";
    state.ReminderPagesJson.Set(pages);
    state.NearMisses.TakePageList(pages);

    app.MenuItemRedoZevuvivaClick();
    app.MenuItemCompleteReminderListClick();
    app.MenuItemStatusClick();
    MWinAbout about(QStringLiteral("https://tidewell.example"), QStringLiteral("support@tidewell.example"));
    about.show();
    MWinHelp help;
    help.show();
    WinNewReminder newReminder({{"S-Work", "Notebook › Work"}}, "S-Work");
    newReminder.show();
    WinPreferences preferences(data + "/velaapp.plist", {{"S-Work", "Notebook › Work"}}, false, {}, {});
    preferences.SetNotebooks({{"NB1", "Work", {}, false, false}, {"NB2", "Team plans", "Bo", true, false}},
                             {}, {});
    preferences.show();
    app.TimerRun();

    QTimer::singleShot(1500, &qapp, [&] {
        int faults = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && !qobject_cast<QMenu*>(window)) {
                faults += CheckTabOrder(window);
            }
        }
        std::printf("tab order checked: %d faults\n", faults);
        std::fflush(stdout);
        if (!iconFile.isEmpty() && app.statusItem() != nullptr) {
            app.statusItem()->icon().pixmap(64, 64).save(iconFile);
        }
        if (menu && app.statusMenu() != nullptr) {
            app.statusMenu()->popup(QPoint(500, 40));
        }
    });
    if (!grabFolder.isEmpty()) {
        // After the reminder came due, so the badge counts it and the pending window lists it.
        QTimer::singleShot(8000, &qapp, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && !window->objectName().isEmpty()) {
                    window->grab().save(grabFolder + QLatin1Char('/') + window->objectName() +
                                        QStringLiteral(".png"));
                }
            }
            if (app.statusMenu() != nullptr && app.statusMenu()->isVisible()) {
                app.statusMenu()->grab().save(grabFolder + QStringLiteral("/trayMenu.png"));
            }
            if (app.statusItem() != nullptr) {
                app.statusItem()->icon().pixmap(64, 64).save(grabFolder + QStringLiteral("/trayIcon.png"));
            }
            std::printf("grabbed\n");
            std::fflush(stdout);
        });
    }
    // Comes due while the tour holds, once the accessibility check listens, so the pending window
    // announces it.
    QTimer::singleShot(5000, &qapp, [&] {
        state.ReminderList.AddUnique(kPageTitleReminder, "Water the plants", "P3", "P3", "onenote:P3",
                                     DateNow(), 0, DefaultWeekDays());
        state.ReminderListChanged = true;
    });
    // The status window's account line turns red, as it does for a refused service host.
    QTimer::singleShot(6000, &qapp, [&] { state.EndpointProblem.Set("GraphEndpoint refused"); });
    // Quit as the menu does: the main window would refuse a plain close.
    QTimer::singleShot(holdSeconds * 1000, &qapp, [&] { app.MenuItemQuitClick(); });
    return QApplication::exec();
}
