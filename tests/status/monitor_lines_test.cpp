// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/mirror_counters.h"
#include "status/monitor_lines.h"
#include "test_support.h"
#include "util/clock.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

const MonitorTexts kTexts{"Signed in", "Signed out", "Checking", "Checked", ""};

constexpr std::int64_t kSampleFilterPagesResult = 3;

TMirrorCounts SampleCounters()
{
    TMirrorCounts c;
    c.NotebooksChanged = 11;
    c.NotebooksSectionsChanged = 12;
    c.NewNotebookCount = 13;
    c.ChangedNotebookCount = 14;
    c.NotebookTotal = 15;
    c.NewSectionGroupCount = 16;
    c.ChangedSectionGroupCount = 17;
    c.NewSectionCount = 18;
    c.ChangedSectionCount = 19;
    c.GetSectionErrorCount = 20;
    return c;
}

MonitorSnapshot SignedIn()
{
    MonitorSnapshot s;
    s.AccessToken = "token";
    s.UserId = "0123456789abcdef";
    s.UserPrincipalName = "ada@example.com";
    s.HasWorker = true;
    s.MirrorStatusText = "Checked 2026-12-08 09:58:00  F:0,…";
    return s;
}

class MonitorLinesTest : public ::testing::Test
{
protected:
    test::ScopedTimeZone m_Zone{"UTC"};
    Date m_Now = DateFromParts(2026, 12, 8, 10, 0, 5);
};

TEST_F(MonitorLinesTest, AccountLineNamesTheUserOrSaysSignedOut)
{
    MonitorSnapshot s = SignedIn();
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Login, "Signed in (ada@example.com)");
    s.UserPrincipalName.clear();
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Login, "Signed in (0123456789abcdef)");
    s.AccessToken.clear();
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Login, "Signed out");
    s.AccessToken = "token";
    s.UserId.clear();
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Login, "Signed out");
}

TEST_F(MonitorLinesTest, AccountLineSaysWhatTheAccountWaitsForFromTheKeyring)
{
    MonitorTexts texts = kTexts;
    texts.WaitingForKeyring = "Waiting for the keyring";
    texts.KeyringFailed = "The keyring did not answer";
    MonitorSnapshot s = SignedIn();
    s.AccessToken.clear();
    s.WaitingForKeyring = true;
    EXPECT_EQ(BuildMonitorLines(s, texts, m_Now).Login, "Waiting for the keyring");
    s.WaitingForKeyring = false;
    s.KeyringFailed = true;
    EXPECT_EQ(BuildMonitorLines(s, texts, m_Now).Login, "The keyring did not answer");
    // Tokens kept in the file instead: nothing missing, nothing to say.
    s.AccessToken = "token";
    EXPECT_EQ(BuildMonitorLines(s, texts, m_Now).Login, "Signed in (ada@example.com)");
}

TEST_F(MonitorLinesTest, ErrorsTurnTheAccountAndWorkerLinesRed)
{
    MonitorSnapshot s = SignedIn();
    s.AccessToken.clear();
    MonitorLines lines = BuildMonitorLines(s, kTexts, m_Now);
    EXPECT_FALSE(lines.LoginRed);
    EXPECT_FALSE(lines.NotebooksRed);
    s.RefreshTokensErrorCount = 1;
    s.Counters.GetAllNotebooksSectionsErrorCount = 2;
    lines = BuildMonitorLines(s, kTexts, m_Now);
    EXPECT_EQ(lines.Login, "Signed out");
    EXPECT_TRUE(lines.LoginRed);
    EXPECT_TRUE(lines.NotebooksRed);
}

TEST_F(MonitorLinesTest, WorkerLineIsLiveDuringACycleAndTheStatusTextAfterIt)
{
    MonitorSnapshot s = SignedIn();
    s.FilterPagesResult = kSampleFilterPagesResult;
    s.Counters = SampleCounters();
    s.Monitoring = true;
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Notebooks,
              "Checking 2026-12-08 10:00:05  F:3 CN:11,CNS:12  N:13+14/15,G:16+17,S:18+19  E:20");
    s.Monitoring = false;
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Notebooks, s.MirrorStatusText);
}

TEST_F(MonitorLinesTest, RefusedAccountWideSearchIsSaidOnTheWorkerLine)
{
    MonitorTexts texts = kTexts;
    texts.TooManySections = "Too many sections.";
    MonitorSnapshot s = SignedIn();
    EXPECT_EQ(BuildMonitorLines(s, texts, m_Now).Notebooks, s.MirrorStatusText);
    s.FilterPagesResult = kFilterPagesTooManySections;
    EXPECT_EQ(BuildMonitorLines(s, texts, m_Now).Notebooks, s.MirrorStatusText + "  Too many sections.");
}

TEST_F(MonitorLinesTest, SectionsStillToMirrorAndFailingOnesAreNamedOnTheWorkerLine)
{
    MonitorTexts texts = kTexts;
    texts.SectionsToMirror = "%1 to mirror.";
    texts.SectionsFailing = "Failing: %1";
    MonitorSnapshot s = SignedIn();
    s.SectionsToMirror = 1893;
    s.FailingSections = {"Inbox", "Plans"};
    const MonitorLines lines = BuildMonitorLines(s, texts, m_Now);
    EXPECT_EQ(lines.Notebooks, s.MirrorStatusText + "  1893 to mirror.  Failing: Inbox, Plans");
    EXPECT_TRUE(lines.NotebooksRed);
}

TEST_F(MonitorLinesTest, CycleStartAndEndLines)
{
    EXPECT_EQ(CheckStartLine(m_Now), "Check start: 2026-12-08 10:00:05");
    EXPECT_EQ(CheckEndLine("Checked", m_Now, kSampleFilterPagesResult, SampleCounters()),
              "Checked 2026-12-08 10:00:05  F:3,CN:11,CNS:12,N:13+14/15,G:16+17,S:18+19,E:20");
}

TEST_F(MonitorLinesTest, FetchAndLoaderLinesWaitForTheirFirstValues)
{
    MonitorSnapshot s = SignedIn();
    MonitorLines lines = BuildMonitorLines(s, kTexts, m_Now);
    EXPECT_FALSE(lines.TimeGetPage);
    EXPECT_FALSE(lines.Pages);

    s.LastCheckPageTime = DateFromParts(2026, 12, 8, 9, 59, 0);
    s.LastCheckPageResult = -2;
    s.LoadPageDone = 4;
    s.LoadPageTotal = 9;
    s.LoadPageErrors = 1;
    s.LastLoadTime = DateFromParts(2026, 12, 8, 9, 58, 30);
    s.LoadRunning = true;
    s.KnownTitlePageDone = 2;
    s.KnownTitlePageTotal = 3;
    s.KnownTagPageDone = 1;
    s.KnownTagPageTotal = 5;
    s.ReminderPageCount = 12;
    lines = BuildMonitorLines(s, kTexts, m_Now);
    EXPECT_EQ(lines.TimeGetPage, "2026-12-08 09:59:00 [S:-2]. (HP: 4/9, E:1)");
    EXPECT_EQ(lines.Pages, "Checking 2026-12-08 09:58:30 PRKP:2/3, TRKP:1/5. DB!P:12");
    s.LoadRunning = false;
    EXPECT_EQ(BuildMonitorLines(s, kTexts, m_Now).Pages,
              "Checked 2026-12-08 09:58:30 PRKP:2/3, TRKP:1/5. DB!P:12");

    s.HasWorker = false;
    lines = BuildMonitorLines(s, kTexts, m_Now);
    EXPECT_FALSE(lines.TimeGetPage) << "the fetch line belongs to the worker";
    EXPECT_FALSE(lines.Notebooks);
    EXPECT_TRUE(lines.Pages);
}

} // namespace
} // namespace rz
