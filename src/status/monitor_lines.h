// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/mirror_counters.h"
#include "status/near_miss_rows.h"
#include "util/dates.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rz {

struct MonitorTexts;

// "Check start: <now>", written when a worker cycle begins.
std::string CheckStartLine(Date now);
std::string CheckStartLine(const MonitorTexts& texts, Date now);
// "<checked> <now>  F:…,CN:…", written when a worker cycle ends: the page-list search's result
// (`filterPagesResult`) and the cycle's counters.
std::string CheckEndLine(const std::string& checkedText, Date now, std::int64_t filterPagesResult,
                         const TMirrorCounts& counters);
std::string CheckEndLine(const MonitorTexts& texts, Date now, std::int64_t filterPagesResult,
                         const TMirrorCounts& counters);

// Everything the status window shows, read once per redraw. A line may mix values of two moments of
// a running cycle; that is accepted.
struct MonitorSnapshot
{
    std::string AccessToken;
    std::string UserId;
    std::string UserPrincipalName;
    std::string MirrorStatusText;
    std::string EndpointProblem; // settings refused at start-up
    std::string OutboxStatus;    // changes waiting for OneNote, or ended unsent
    std::string PhoneStatus;     // the bridge to Microsoft To Do
    std::int64_t ReminderPageCount = 0;
    // The tokens are still to come from the keyring, or it did not answer.
    bool WaitingForKeyring = false;
    bool KeyringFailed = false;

    bool HasWorker = false;
    bool Monitoring = false;
    std::int64_t RefreshTokensErrorCount = 0;
    // The page-list search's result: a count, or a refusal's code.
    std::int64_t FilterPagesResult = 0;
    TMirrorCounts Counters;
    // Sections whose page list is still to come, and the names of those that fail.
    std::int64_t SectionsToMirror = 0;
    std::vector<std::string> FailingSections;
    // Watched shared notebooks the service no longer opens.
    std::vector<std::string> RefusedNotebooks;
    std::optional<Date> LastCheckPageTime;
    std::int64_t LastCheckPageResult = 0;

    std::optional<Date> LastLoadTime;
    bool LoadRunning = false;
    std::int64_t LoadPageTotal = 0;
    std::int64_t LoadPageDone = 0;
    std::int64_t LoadPageErrors = 0;
    std::int64_t KnownTitlePageTotal = 0;
    std::int64_t KnownTitlePageDone = 0;
    std::int64_t KnownTagPageTotal = 0;
    std::int64_t KnownTagPageDone = 0;

    // The near-miss list and its version, which moves whenever the list changes.
    std::uint64_t NearMissVersion = 0;
    std::vector<TNearMissRow> NearMisses = {};
};

// The words of the strings table the lines use, and how they write a time.
struct MonitorTexts
{
    std::string LoggedIn;
    std::string LoggedOut;
    std::string Checking;
    std::string Checked;
    // Added to the worker's line while the service refuses the account-wide search for the
    // account's many sections.
    std::string TooManySections;
    // Added to the worker's line while sections remain to be mirrored ("%1": how many), and while
    // some fail ("%1": their names).
    std::string SectionsToMirror = {};
    std::string SectionsFailing = {};
    // Added for each shared notebook the service no longer opens ("%1": its name).
    std::string SharedRefused = {};
    std::string CheckStart = "Check start:";
    // Shown for the account while its tokens are still to come from the keyring, and once it did
    // not answer where the tokens are missing.
    std::string WaitingForKeyring = {};
    std::string KeyringFailed = {};
    // The desktop's own date and time form; unset, the fixed "yyyy-MM-dd HH:mm:ss" form. Called on the
    // worker thread for the cycle lines, so it must not touch a widget.
    std::function<std::string(Date)> DateText = {};

    std::string TimeText(std::optional<Date> date) const;
};

// One redraw. An absent line keeps the label's current text. The account and worker lines are grey
// unless marked red; the other two keep the layout's colour.
// What the account waits for from the keyring, as the status window and the tray menu say it; empty
// when it waits for nothing.
std::string KeyringLine(const MonitorSnapshot& s, const MonitorTexts& texts);

struct MonitorLines
{
    std::string Login;
    bool LoginRed = false;
    std::optional<std::string> Notebooks;
    bool NotebooksRed = false;
    std::optional<std::string> Pages;
    std::optional<std::string> TimeGetPage;
};

MonitorLines BuildMonitorLines(const MonitorSnapshot& snapshot, const MonitorTexts& texts, Date now);

} // namespace rz
