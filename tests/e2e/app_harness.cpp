// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_harness.h"

#include "core/settings_store.h"
#include "reminders/reminder.h"
#include "util/files.h"
#include "util/plist.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace rz::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSmallUserId = "5a1c3e7b9d2f4a60";
constexpr const char* kOtherUserId = "c0ffee12ab34cd56";

} // namespace

std::string SmallFixture()
{
    return std::string(R"({
 "user": {"id": ")") +
           kSmallUserId + R"(", "userPrincipalName": "robin@example.com", "displayName": "Robin"},
 "tokens": {"accessTokens": ["EwB.robin+access/1=="], "refreshTokens": ["M.R3_BAY.robin+refresh/1!*$"],
            "expiresIn": 3600},
 "notebooks": [
  {"displayName": "Home", "createdDateTime": "{{now-90d}}", "sections": [
    {"displayName": "Errands", "id": "section-errands", "pages": [
      {"id": "page-dentist", "title": "Dentist !{{now+30m}}", "createdDateTime": "{{now-2d}}"},
      {"id": "page-groceries", "title": "Groceries", "createdDateTime": "{{now-3d}}", "paragraphs": ["Milk."]},
      {"id": "page-passed", "title": "Passed !{{now-2h}}", "createdDateTime": "{{now-4d}}"}]},
    {"displayName": "Projects", "id": "section-projects", "pages": [
      {"id": "page-tasks", "title": "!Tasks", "createdDateTime": "{{now-5d}}", "paragraphs": [
        "Open items.",
        {"text": "Call Bob !{{now+40m}}", "tags": ["to-do"]},
        {"text": "Pay rent !{{tomorrow 09:00}}", "tags": "important"},
        {"text": "Old item !{{now-1d}}", "tags": ["to-do:completed"]}]},
      {"id": "page-standup", "title": "Standup !! {{time:now+3h}}", "createdDateTime": "{{now-9d}}"}]},
    {"displayName": "Broken", "errorCode": "20185", "pages": [
      {"id": "page-unreadable", "title": "Unreadable !{{now+1d}}"}]}]},
  {"displayName": "Work", "createdDateTime": "{{now-60d}}", "sectionGroups": [
    {"displayName": "Team", "sections": [
      {"displayName": "Plans", "id": "section-plans", "pages": [
        {"id": "page-review", "title": "Review !{{tomorrow 10:00}}", "createdDateTime": "{{now-6d}}"},
        {"id": "page-notes", "title": "Notes", "createdDateTime": "{{now-7d}}"}]}]}]}
 ]
})";
}

std::vector<std::string> SmallFixtureReminders()
{
    return {"Dentist !", "Call Bob !", "Pay rent !", "Standup !!", "Review !"};
}

std::string OtherFixture()
{
    return std::string(R"({
 "user": {"id": ")") +
           kOtherUserId + R"(", "userPrincipalName": "sam@example.org", "displayName": "Sam"},
 "tokens": {"expiresIn": 3600},
 "notebooks": [
  {"displayName": "Sam's Notes", "createdDateTime": "{{now-30d}}", "sections": [
    {"displayName": "Quick Notes", "pages": [
      {"id": "page-parcel", "title": "Pick up parcel !{{now+45m}}", "createdDateTime": "{{now-1d}}"},
      {"id": "page-sam-tasks", "title": "!Sam tasks", "createdDateTime": "{{now-2d}}", "paragraphs": [
        {"text": "Book flights !{{tomorrow 08:00}}", "tags": ["to-do"]}]}]}]}
 ]
})";
}

std::vector<std::string> OtherFixtureReminders()
{
    return {"Pick up parcel !", "Book flights !"};
}

EmulatorProcess::Options FixtureOptions(const std::string& text, bool autoConsent)
{
    EmulatorProcess::Options options;
    options.fixtureText = text;
    options.autoConsent = autoConsent;
    return options;
}

AppHome::AppHome()
{
    CreateFolder(SupportFolder());
    CreateFolder(SupportFolder() + "/Tidewell");
    CreateFolder(DataFolder());
}

void AppHome::PointAt(const EmulatorProcess& emulator, bool withAccount)
{
    MConfig settings(SettingsFile());
    for (const char* key : {"GraphEndpoint", "IdentityEndpoint", "AccountEndpoint"}) {
        settings.WriteValueValueStr(key, emulator.BaseUrl());
    }
    std::string access, refresh, userId, upn;
    if (withAccount) {
        const auto tokens = nlohmann::json::parse(emulator.Get("/_emulator/tokens").body, nullptr, false);
        const auto account = nlohmann::json::parse(emulator.AccountJson(), nullptr, false);
        auto first = [&](const char* key) {
            const auto it = tokens.is_object() ? tokens.find(key) : tokens.end();
            return it != tokens.end() && it->is_array() && !it->empty() && (*it)[0].is_string()
                       ? (*it)[0].get<std::string>()
                       : std::string();
        };
        access = first("accessTokens");
        refresh = first("refreshTokens");
        if (account.is_object() && account.contains("user")) {
            userId = account["user"].value("id", "");
            upn = account["user"].value("userPrincipalName", "");
        }
    }
    settings.WriteValueValueStr("OnlineOneNoteAccessToken", access);
    settings.WriteValueValueStr("OnlineOneNoteRefreshToken", refresh);
    settings.WriteValueValueStr("OnlineOneNoteUserId", userId);
    settings.WriteValueValueStr("OnlineOneNoteUserPrincipalName", upn);
    settings.Save();
}

std::string AppHome::Setting(const std::string& key) const
{
    return MConfig(SettingsFile()).ReadValueDefStr(key, "");
}

std::unique_ptr<ChildProcess> AppHome::Start(const std::string& busAddress,
                                             long long clockOffsetSeconds) const
{
    Environment environment = AppEnvironment(m_Home.Path(), SupportFolder(), busAddress);
    if (clockOffsetSeconds != 0) {
        environment.emplace_back("RZ_CLOCK_OFFSET_SECONDS", std::to_string(clockOffsetSeconds));
    }
    return std::make_unique<ChildProcess>(RZ_APP_BINARY, std::vector<std::string>{}, environment);
}

std::unique_ptr<ChildProcess> AppHome::StartAtEmulatorTime(const EmulatorProcess& emulator,
                                                           const std::string& busAddress) const
{
    const long long offset = emulator.ClockOffset();
    return offset < 0 ? nullptr : Start(busAddress, offset);
}

std::optional<std::vector<StoredReminder>> AppHome::ReadList(const std::string& fileName) const
{
    const auto lines = ReadPlistStringArray(DataFile(fileName));
    if (!lines) {
        return std::nullopt;
    }
    std::vector<StoredReminder> list;
    for (const std::string& line : *lines) {
        const auto record = TAReminder::FromString(line);
        list.push_back({record->objType(), record->Id().value_or(""), record->pageId().value_or(""),
                        record->name().value_or(""), record->time()});
    }
    return list;
}

std::vector<std::string> AppHome::DamagedFiles() const
{
    std::vector<std::string> damaged;
    if (FileExists(SettingsFile()) && !MConfig(SettingsFile()).HasDictionary()) {
        damaged.push_back(SettingsFile());
    }
    for (const char* name : {"Reminders.plist", "TagPages.plist", "PendingReminders.plist"}) {
        if (FileExists(DataFile(name)) && !ReadPlistStringArray(DataFile(name))) {
            damaged.push_back(DataFile(name));
        }
    }
    auto jsonWhole = [](const std::string& path) {
        const std::string text = ReadFileBytes(path);
        return nlohmann::json::accept(text);
    };
    // The stored page list text may be empty (nothing loaded yet); anything else must parse.
    const std::string hierarchy = DataFile("RedoZevuviva.json");
    if (FileExists(hierarchy) && !ReadFileBytes(hierarchy).empty() && !jsonWhole(hierarchy)) {
        damaged.push_back(hierarchy);
    }
    std::error_code error;
    if (fs::is_directory(StoreRoot(), error)) {
        for (const auto& entry : fs::recursive_directory_iterator(StoreRoot(), error)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            // The failed-section list is a property list despite its name.
            const bool whole = entry.path().filename() == "errorsections.json"
                                   ? ReadPlistStringArrayDict(entry.path().string()).has_value()
                                   : entry.path().extension() != ".json" || jsonWhole(entry.path());
            if (!whole) {
                damaged.push_back(entry.path().string());
            }
        }
    }
    return damaged;
}

bool HasReminder(const std::vector<StoredReminder>& list, const std::string& namePrefix)
{
    return FindReminder(list, namePrefix).has_value();
}

bool HasAll(const std::vector<StoredReminder>& list, const std::vector<std::string>& namePrefixes)
{
    for (const std::string& name : namePrefixes) {
        if (!HasReminder(list, name)) {
            return false;
        }
    }
    return true;
}

std::optional<StoredReminder> FindReminder(const std::vector<StoredReminder>& list,
                                           const std::string& namePrefix)
{
    for (const StoredReminder& r : list) {
        if (r.name.rfind(namePrefix, 0) == 0) {
            return r;
        }
    }
    return std::nullopt;
}

std::string Names(const std::vector<StoredReminder>& list)
{
    std::ostringstream out;
    for (const StoredReminder& r : list) {
        out << "  [" << r.type << "] " << r.name << "\n";
    }
    return out.str();
}

long TotalRequests(const EmulatorProcess& emulator)
{
    const auto counters = nlohmann::json::parse(emulator.Get("/_emulator/counters").body, nullptr, false);
    if (!counters.is_object() || !counters.contains("total") || !counters["total"].is_number()) {
        return -1;
    }
    return counters["total"].get<long>();
}

std::string FileStamp(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + ":" +
           std::to_string(info.st_size) + ":" + std::to_string(info.st_ino);
}

namespace {

std::string DataFolderStamp(const AppHome& home)
{
    std::string stamp;
    for (const char* name : {"velaapp.plist", "Reminders.plist", "TagPages.plist", "PendingReminders.plist",
                             "RedoZevuviva.json"}) {
        stamp += FileStamp(home.DataFile(name)) + ";";
    }
    return stamp;
}

} // namespace

bool Settle(const EmulatorProcess& emulator, const AppHome& home, int quietMs, int timeoutMs)
{
    const std::int64_t deadline = NowMs() + timeoutMs;
    long requests = TotalRequests(emulator);
    std::string files = DataFolderStamp(home);
    std::int64_t quietSince = NowMs();
    while (NowMs() < deadline) {
        WaitFor(100, [] { return false; });
        const long nowRequests = TotalRequests(emulator);
        const std::string nowFiles = DataFolderStamp(home);
        if (nowRequests != requests || nowFiles != files) {
            requests = nowRequests;
            files = nowFiles;
            quietSince = NowMs();
        } else if (NowMs() - quietSince >= quietMs) {
            return true;
        }
    }
    return false;
}

bool RefreshAndSettle(ChildProcess& app, const EmulatorProcess& emulator, const AppHome& home, int timeoutMs)
{
    const long before = emulator.RequestCount("notebooks");
    app.Signal(SIGUSR1);
    if (!WaitFor(timeoutMs, [&] { return emulator.RequestCount("notebooks") > before; })) {
        return false;
    }
    return Settle(emulator, home, 1500, timeoutMs);
}

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double SecondsSince(std::int64_t startMs)
{
    return static_cast<double>(NowMs() - startMs) / 1000.0;
}

} // namespace rz::test
