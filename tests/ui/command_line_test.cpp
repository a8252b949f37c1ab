// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "core/paths.h"
#include "test_support.h"
#include "ui/mwin_login.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz {
namespace {

using Action = CommandLine::Action;

CommandLine Parse(const std::vector<const char*>& args)
{
    QStringList arguments{QStringLiteral("redozevuviva")};
    for (const char* arg : args) {
        arguments << QString::fromUtf8(arg);
    }
    return ParseCommandLine(arguments);
}

TEST(CommandLineTest, ActionsAndExitStatus)
{
    struct Case
    {
        std::vector<const char*> args;
        Action action;
        const char* textHas;
        int status;
    };
    const Case cases[] = {
        {{}, Action::Run, "", 0},
        {{"--version"}, Action::PrintVersion, RZ_VERSION, 0},
        {{"-v"}, Action::PrintVersion, RZ_VERSION, 0},
        {{"--help"}, Action::PrintHelp, "--data-home <folder>", 0},
        {{"-h"}, Action::PrintHelp, "Usage: redozevuviva [options]", 0},
        {{"--bogus"}, Action::UsageError, "unknown option '--bogus'", 2},
        {{"-x"}, Action::UsageError, "unknown option '-x'", 2},
        {{"--verbose", "--bogus=1"}, Action::UsageError, "unknown option '--bogus'", 2},
        {{"notes.txt"}, Action::UsageError, "unexpected argument 'notes.txt'", 2},
        {{"--data-home"}, Action::UsageError, "--data-home", 2},
        // Qt's own options are the application object's to take.
        {{"-platform", "offscreen", "-session", "1a2b", "-reverse", "--style=fusion"}, Action::Run, "", 0},
        // The sign-in window's option counts only as the first argument, taken before parsing.
        {{"--verbose", "--sign-in-window"}, Action::UsageError, "unknown option '--sign-in-window'", 2},
    };
    for (const Case& c : cases) {
        const CommandLine result = Parse(c.args);
        const std::string first = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(result.action, c.action) << first;
        EXPECT_TRUE(result.text.contains(QString::fromUtf8(c.textHas)))
            << first << ": " << result.text.toStdString();
        if (c.action == Action::UsageError) {
            EXPECT_TRUE(result.text.contains(QStringLiteral("--help"))) << first;
        }
        if (c.action != Action::Run) {
            EXPECT_EQ(FinishCommandLine(result), c.status) << first;
        }
    }
}

TEST(CommandLineTest, HelpLeavesOutTheInternalAndQtOptions)
{
    const QString help = Parse({"--help"}).text;
    EXPECT_FALSE(help.contains(QStringLiteral("sign-in-window")));
    EXPECT_FALSE(help.contains(QStringLiteral("platform")));
    EXPECT_TRUE(help.contains(QStringLiteral("--verbose")));
}

TEST(CommandLineTest, OptionsReachTheirFields)
{
    EXPECT_TRUE(Parse({"--verbose"}).verbose);
    EXPECT_EQ(Parse({"--data-home=/srv/a/../b/"}).dataHome, QStringLiteral("/srv/b"));
    EXPECT_EQ(Parse({"--data-home", "rel"}).dataHome,
              QDir::current().absoluteFilePath(QStringLiteral("rel")));
    EXPECT_EQ(Parse({}).dataHome, QString());
}

TEST(CommandLineTest, ManualPageNamesEveryOptionOfTheHelp)
{
    const std::string page = test::ReadFileBytes(RZ_MANUAL_PAGE);
    ASSERT_FALSE(page.empty());
    const QString help = Parse({"--help"}).text;
    int options = 0;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        for (const QString& word :
             line.split(QRegularExpression(QStringLiteral("[ ,]+")), Qt::SkipEmptyParts)) {
            if (word.startsWith(QLatin1String("--"))) {
                ++options;
                // The page writes each dash as \-.
                const std::string escaped =
                    QString(word).replace(QLatin1String("-"), QLatin1String("\\-")).toStdString();
                EXPECT_NE(page.find(escaped), std::string::npos) << word.toStdString();
            }
        }
    }
    EXPECT_EQ(options, 5);
}

// The page tells where the agent keeps what a user may look for, back up or delete, and every
// status it exits with.
TEST(CommandLineTest, ManualPageNamesTheDataFilesAndEveryExitStatus)
{
    const std::string page = test::ReadFileBytes(RZ_MANUAL_PAGE);
    ASSERT_FALSE(page.empty());
    for (const char* file : {kSettingsFileName, kRemindersFileName, kPendingRemindersFileName,
                             kOutboxFileName, kDueCheckFileName, kSignInProfileFolder}) {
        EXPECT_NE(page.find(std::string("RedoZevuviva/") + file), std::string::npos) << file;
    }
    const std::string exits = page.substr(page.find(".SH EXIT STATUS"));
    for (const char* status : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n"}) {
        EXPECT_NE(exits.find(status), std::string::npos) << status;
    }
}

} // namespace
} // namespace rz
