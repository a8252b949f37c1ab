// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "reminders/new_reminder.h"
#include "test_support.h"
#include "ui/strings_table.h"
#include "ui/win_new_reminder.h"
#include "util/clock.h"
#include "util/dates.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

struct NewReminderFixture
{
    QLineEdit& Text() { return *window.findChild<QLineEdit*>(QStringLiteral("textEdit")); }
    bool OkEnabled()
    {
        return window.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
            ->button(QDialogButtonBox::Ok)
            ->isEnabled();
    }

    QApplication& app = test::QtTestApp();
    const test::ScopedTimeZone zone{"UTC"};
    ScopedFakeClock clock{DateFromParts(2026, 12, 9, 10, 15, 0).seconds};
    WinNewReminder window{{{"s1", "Home \u203a Errands"}}, "s1"};
};

struct ProblemCase
{
    const char* name;
    std::string text;
    bool ok;
    const char* problemKey; // nullptr: no reason shown
};

// OK is offered exactly when the reminder is taken; otherwise the reason stands below the fields.
TEST(WinNewReminderTest, OkFollowsTheProblemAndTheReasonIsShown)
{
    const ProblemCase cases[] = {
        {"the starting state is no mistake yet", "", false, nullptr},
        {"a reminder that reads back", "Call Bob", true, nullptr},
        {"blanks only", "   ", false, "strNewReminderEmptyText"},
        {"longer than a title may be", std::string(kMaxReminderTitleLength + 1, 'x'), false,
         "strNewReminderTooLong"},
    };
    for (const ProblemCase& c : cases) {
        NewReminderFixture f;
        f.Text().setText(QString::fromStdString(c.text));
        EXPECT_EQ(f.OkEnabled(), c.ok) << c.name;
        EXPECT_EQ(f.window.Problem(), c.problemKey ? UiText(c.problemKey) : QString()) << c.name;
    }
}

TEST(WinNewReminderTest, PreviewShowsTheTitleItWillWrite)
{
    NewReminderFixture f;
    f.Text().setText(QStringLiteral("Call Bob"));
    const QString title = QString::fromStdString(f.window.Title());
    EXPECT_TRUE(title.startsWith(QStringLiteral("Call Bob "))) << title.toStdString();
    EXPECT_EQ(f.window.findChild<QLabel*>(QStringLiteral("titlePreview"))->text(), title);
}

} // namespace
} // namespace rz
