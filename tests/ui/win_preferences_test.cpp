// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "shown_help.h"
#include "test_support.h"
#include "ui/win_preferences.h"
#include "ui_WinPreferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace rz {
namespace {

TEST(WinPreferencesTest, AChangedValueIsStoredAndHandedOnAndAnUnchangedOneIsNot)
{
    test::QtTestApp();
    const test::TempDir dir;
    int handed = 0;
    WinPreferences window(dir.File("s"), {}, false, {}, {[&](const TPreferences&) { ++handed; }, {}, {}});
    window.Form().clientIdEdit->setText(QStringLiteral("  ")); // no value changed: the tokens' file stays
    window.Form().lateCheck->setChecked(false);
    EXPECT_EQ(handed, 1);
    EXPECT_FALSE(WinPreferences(dir.File("s"), {}, false, {}, {}).Form().lateCheck->isChecked());
}

TEST(WinPreferencesTest, ThePhoneBoxHandsEachChoiceOnAndShowsARefusedOneAsItWas)
{
    test::QtTestApp();
    const test::TempDir dir;
    WinPreferences window(dir.File("s"), {}, false, {}, {});
    std::vector<bool> asked;
    bool take = false;
    window.SetPhone(true, false, [&](bool on) {
        asked.push_back(on);
        return take;
    });
    QCheckBox* box = window.Form().phoneCheck;
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    EXPECT_FALSE(box->isChecked());
    take = true;
    box->setChecked(true);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(asked, (std::vector<bool>{true, true}));
    // Without an account there is nothing to turn on.
    window.SetPhone(false, false, {});
    EXPECT_FALSE(box->isEnabled());
}

// The link under the application id opens the steps that come with the program, not a web page.
TEST(WinPreferencesTest, ApplicationIdLinkOpensTheSetupSteps)
{
    test::QtTestApp();
    const test::TempDir dir;
    WinPreferences window(dir.File("s"), {}, false, "https://example.invalid/readme", {});
    QLabel* link = window.Form().clientIdLink;
    const QString text = test::ShownHelpText([&] { emit link->linkActivated(QStringLiteral("help:")); });
    EXPECT_TRUE(text.contains(QStringLiteral("oauth20_desktop.srf"))) << text.toStdString();
}

TEST(WinPreferencesTest, NotebooksShowTheirOwnersAndAnUncheckedOneIsHandedOn)
{
    test::QtTestApp();
    const test::TempDir dir;
    std::vector<std::pair<std::string, bool>> watched;
    WinPreferences window(dir.File("s"), {}, false, {}, {});
    WinPreferences::NotebookHooks hooks;
    hooks.Watch = [&](const std::string& id, bool on) { watched.emplace_back(id, on); };
    window.SetNotebooks({{"nb-own", "Team Notes", "", false, false},
                         {"nb-team", "Team Notes", "Bob", true, false},
                         {"nb-old", "Archive", "Carol", true, true}},
                        {"nb-old"}, std::move(hooks));
    QListWidget& list = *window.Form().notebookList;
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("Team Notes"));
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("Team Notes (shared by Bob)"));
    EXPECT_EQ(list.item(2)->text(), QStringLiteral("Archive (shared by Carol; can no longer be opened)"));
    EXPECT_EQ(list.item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(list.item(2)->checkState(), Qt::Unchecked);
    list.item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(watched, (std::vector<std::pair<std::string, bool>>{{"nb-team", false}}));
}

// What the service names a notebook and its owner is shown as it came, never read as markup.
TEST(WinPreferencesTest, ASharedNotebooksNameAndOwnerAreShownAsPlainText)
{
    test::QtTestApp();
    const test::TempDir dir;
    WinPreferences window(dir.File("s"), {}, false, {}, {});
    WinPreferences::NotebookHooks hooks;
    hooks.Resolve = [](const std::string&) {
        TSharedResolve found;
        found.Status = TSharedResolveStatus::Found;
        found.Notebook.Id = "nb-1";
        found.Notebook.Name = "<b>Plans</b>";
        found.Notebook.OwnerName = "<a href=\"https://example.invalid\">Your IT team</a>";
        return found;
    };
    window.SetNotebooks({}, {}, std::move(hooks));
    std::optional<Qt::TextFormat> format;
    QString shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* ask = qobject_cast<QInputDialog*>(modal)) {
            ask->setTextValue(QStringLiteral("https://example.invalid/nb"));
            ask->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            format = box->textFormat();
            shown = box->text();
            box->reject();
        }
    });
    answer.start(20);
    window.AddSharedNotebook();
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(*format, Qt::PlainText);
    EXPECT_TRUE(shown.contains(QStringLiteral("<a href=\"https://example.invalid\">Your IT team</a>")))
        << shown.toStdString();
}

} // namespace
} // namespace rz
