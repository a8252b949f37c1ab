// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The built program against the Graph emulator, driven from outside only: the settings file it reads,
// the files it writes, the emulator's administration interface and signals.
#include "child_process.h"
#include "emulator_process.h"
#include "test_support.h"
#include "util/dates.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rz::test {

// One reminder as "Reminders.plist" or "PendingReminders.plist" keeps it.
struct StoredReminder
{
    std::int64_t type = 0;
    std::string id;
    std::string pageId;
    std::string name;
    std::optional<Date> time;
};

// A small personal account: title reminders (one-off and repeating), a tag page with two tagged
// reminders, a past date, a page without reminders, a nested section group and a section refused
// with 20185. `Reminders` below lists what it defines, none due within the hour.
std::string SmallFixture();
// The names of the reminders SmallFixture defines (the beginning of each name).
std::vector<std::string> SmallFixtureReminders();
// A second personal account whose reminders share no name with SmallFixture's.
std::string OtherFixture();
std::vector<std::string> OtherFixtureReminders();
// Options serving a fixture text.
EmulatorProcess::Options FixtureOptions(const std::string& text, bool autoConsent = false);

// A temporary HOME with the program's data folder and store below it.
class AppHome
{
public:
    AppHome();

    std::string SupportFolder() const { return m_Home.Path() + "/data"; }
    std::string DataFolder() const { return SupportFolder() + "/Tidewell/RedoZevuviva"; }
    std::string StoreRoot() const { return SupportFolder() + "/Tidewell/RESTDB"; }
    std::string DataFile(const std::string& name) const { return DataFolder() + "/" + name; }
    std::string SettingsFile() const { return DataFile("velaapp.plist"); }

    // Points the settings at the emulator. With an account, the fixture's first access and refresh
    // tokens and its user are stored too, so the program starts signed in; without, the stored
    // account is cleared and the program shows its sign-in window.
    void PointAt(const EmulatorProcess& emulator, bool withAccount);
    std::string Setting(const std::string& key) const;

    // Starts the program (offscreen, the sign-in window allowed to run as root) on the session bus
    // at `busAddress`, or without one, its clock `clockOffsetSeconds` ahead of the machine's (a debug
    // build's RZ_CLOCK_OFFSET_SECONDS).
    std::unique_ptr<ChildProcess> Start(const std::string& busAddress = {},
                                        long long clockOffsetSeconds = 0) const;
    // Starts the program on that bus at the emulator's time, so time passed in the emulator has
    // passed for the program too; null when the emulator does not tell its time.
    std::unique_ptr<ChildProcess> StartAtEmulatorTime(const EmulatorProcess& emulator,
                                                      const std::string& busAddress) const;

    // The reminders of a list file; none when the file is missing or not a readable list.
    std::optional<std::vector<StoredReminder>> ReadList(const std::string& fileName) const;
    std::vector<StoredReminder> Reminders() const
    {
        return ReadList("Reminders.plist").value_or(std::vector<StoredReminder>());
    }
    std::vector<StoredReminder> Pending() const
    {
        return ReadList("PendingReminders.plist").value_or(std::vector<StoredReminder>());
    }
    // Every file the program keeps that does not read whole: the settings and list files as property
    // lists, "RedoZevuviva.json" and every JSON file of the store as JSON. Empty when all are whole.
    std::vector<std::string> DamagedFiles() const;
    // The account's store folder ("<store>/<user id>").
    std::string AccountStore(const std::string& userId) const { return StoreRoot() + "/" + userId; }

private:
    TempDir m_Home;
};

// True when some reminder's name begins with the text.
bool HasReminder(const std::vector<StoredReminder>& list, const std::string& namePrefix);
// True when, for every text, some reminder's name begins with it.
bool HasAll(const std::vector<StoredReminder>& list, const std::vector<std::string>& namePrefixes);
// The reminder whose name begins with the text; none when absent.
std::optional<StoredReminder> FindReminder(const std::vector<StoredReminder>& list,
                                           const std::string& namePrefix);
// The names, one a line, for failure messages.
std::string Names(const std::vector<StoredReminder>& list);

// The emulator's request total, -1 on failure.
long TotalRequests(const EmulatorProcess& emulator);
// Waits until the program is idle: the emulator has answered nothing new and no file of the data
// folder has changed for `quietMs`. False when that never happened within the time.
bool Settle(const EmulatorProcess& emulator, const AppHome& home, int quietMs = 1500, int timeoutMs = 60000);
// A fingerprint of a file (modification time and size); empty when it is missing.
std::string FileStamp(const std::string& path);
// Sends SIGUSR1 (a new mirror cycle and engine run at once) and waits until that cycle asked the
// emulator for its notebook list, then until the program is idle again.
bool RefreshAndSettle(ChildProcess& app, const EmulatorProcess& emulator, const AppHome& home,
                      int timeoutMs = 60000);

// Seconds since a start, for the printed lines.
double SecondsSince(std::int64_t startMs);
std::int64_t NowMs();

} // namespace rz::test
