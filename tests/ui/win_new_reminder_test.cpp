// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "ui/strings_table.h"
#include "ui/win_new_reminder.h"
#include "ui_WinNewReminder.h"
#include "util/clock.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace rz {
namespace {

// OK is offered exactly when the reminder can be added; otherwise the reason stands below the fields.
TEST(WinNewReminderTest, OkFollowsTheProblemAndTheReasonIsShown)
{
    const std::tuple<std::string, std::vector<TSectionChoice>, const char*> cases[] = {
        {"", {{"s1", "Home"}}, nullptr}, // the starting state, no mistake yet
        {"Call Bob", {{"s1", "Home"}}, nullptr},
        {"Call Bob", {}, "strNewReminderNoSection"},
        {"   ", {{"s1", "Home"}}, "strNewReminderEmptyText"},
        {std::string(kMaxReminderTitleLength + 1, 'x'), {{"s1", "Home"}}, "strNewReminderTooLong"}};
    test::QtTestApp();
    const ScopedFakeClock clock{1.8e9};
    for (const auto& [text, sections, problem] : cases) {
        WinNewReminder window(sections, "s1");
        window.Form().textEdit->setText(QString::fromStdString(text));
        EXPECT_EQ(window.Form().buttonBox->button(QDialogButtonBox::Ok)->isEnabled(),
                  !problem && !text.empty());
        EXPECT_EQ(window.Problem(), problem ? UiText(problem) : QString()) << text;
    }
}

// A section known as full is named below the fields with a request for another; Add stays, since
// the user may have made room in OneNote since.
TEST(WinNewReminderTest, AFullSectionIsNamedWithARequestForAnother)
{
    test::QtTestApp();
    const ScopedFakeClock clock{1.8e9};
    WinNewReminder window({{"s1", "Work › Inbox"}, {"s2", "Work › Later"}}, "s1");
    window.SetFullSectionCheck([](const std::string& sectionId) { return sectionId == "s1"; });
    window.Form().textEdit->setText(QStringLiteral("Call Bob"));
    EXPECT_EQ(window.Problem(), UiText("strNewReminderSectionFull").arg(QStringLiteral("Work › Inbox")));
    EXPECT_TRUE(window.Form().buttonBox->button(QDialogButtonBox::Ok)->isEnabled());
    window.Form().sectionCombo->setCurrentIndex(1);
    EXPECT_EQ(window.Problem(), QString());
}

} // namespace
} // namespace rz
