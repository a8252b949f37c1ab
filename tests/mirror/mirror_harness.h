// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A mirror worker over a private store, talking to the Graph emulator on loopback.

#include "account/endpoints.h"
#include "emulator_process.h"
#include "mirror/thread_one_note_restdb.h"
#include "mirror/worker_online_source.h"
#include "state/app_state.h"
#include "test_support.h"
#include "util/files.h"
#include "util/json.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace rz::test {

// A personal account (16 hex digits, addressed as /v1.0/me) and a work account (a GUID, addressed
// as /v1.0/users/{id}): every mirror test runs against both.
inline constexpr const char* kPersonalUserId = "3b5c9d1e7f2a4c6b";
inline constexpr const char* kWorkUserId = "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c";
inline constexpr const char* kAccessToken = "mirror-access+token/=";
inline constexpr const char* kRefreshToken = "mirror-refresh-token";

// Fixture pieces: a section with `pages` pages titled "Page N"; a notebook or section group.
inline Json Section(const std::string& name, const std::string& id, int pages = 1)
{
    Json list = Json::array();
    for (int i = 0; i < pages; ++i) {
        list.push_back({{"title", "Page " + std::to_string(i)}});
    }
    return {{"displayName", name}, {"id", id}, {"pages", list}};
}

inline Json Container(const std::string& name, const std::string& id, Json sections,
                      Json groups = Json::array())
{
    return {{"displayName", name}, {"id", id}, {"sectionGroups", groups}, {"sections", sections}};
}

inline std::string FixtureText(const std::string& userId, const Json& notebooks)
{
    const Json fixture = {
        {"user", {{"id", userId}, {"userPrincipalName", "ada@example.com"}, {"displayName", "Ada"}}},
        {"tokens",
         {{"authorizationCodes", {"mirror-code"}},
          {"accessTokens", {kAccessToken}},
          {"refreshTokens", {kRefreshToken}}}},
        {"notebooks", notebooks}};
    return fixture.dump();
}

class MirrorHarness
{
public:
    MirrorHarness(const std::string& userId, const Json& notebooks, bool limits = false)
        : MirrorHarness(userId, Options(FixtureText(userId, notebooks), limits))
    {
    }
    // The emulator as given; the account holds this user id and the harness's tokens.
    MirrorHarness(const std::string& userId, const EmulatorProcess::Options& options)
        : m_UserId(userId), m_Emulator(options)
    {
        m_State.Paths.DataFolderPath = m_Folder.File("data");
        m_State.Paths.SettingsFilePath = m_Folder.File("data/velaapp.plist");
        m_State.Paths.StoreRootPath = m_Folder.File("RESTDB");
        std::filesystem::create_directories(m_State.Paths.DataFolderPath);
        m_State.AccessToken.Set(kAccessToken);
        m_State.RefreshToken.Set(kRefreshToken);
        m_State.UserId.Set(userId);
        NewWorker();
    }
    MirrorHarness(const MirrorHarness&) = delete;
    MirrorHarness& operator=(const MirrorHarness&) = delete;

    // A fresh worker over the same store, as after a restart; its start callback sets the Graph
    // base as the application does.
    MThreadOneNoteRESTDB& NewWorker()
    {
        m_Worker.reset();
        m_Worker = std::make_unique<MThreadOneNoteRESTDB>(m_State);
        m_Worker->FOnDoStart = [](MThreadOneNoteRESTDB& worker) {
            worker.SetGraphBase(GraphBaseAddress(worker.State().UserId.Get(), false));
        };
        return *m_Worker;
    }

    MThreadOneNoteRESTDB& Worker() { return *m_Worker; }
    AppState& State() { return m_State; }
    EmulatorProcess& Emulator() { return m_Emulator; }
    const TempDir& Folder() const { return m_Folder; }
    bool Running() const { return m_Emulator.Running(); }
    // The account folder and a path below it.
    std::filesystem::path Account() const
    {
        return std::filesystem::path(m_State.Paths.StoreRootPath) / m_UserId;
    }
    std::filesystem::path Store(const std::string& relative) const { return Account() / relative; }
    std::optional<std::string> StoreText(const std::string& relative) const
    {
        return ReadTextFile(Store(relative).string());
    }
    // An administration call; true when the emulator took it.
    bool Admin(const std::string& call, const Json& body) const
    {
        return m_Emulator.Post("/_emulator/" + call, body.dump()).status == 200;
    }
    bool Fault(const Json& fault) const { return m_Emulator.QueueFault(fault.dump()); }
    long Count(const std::string& route) const { return m_Emulator.RequestCount(route); }
    // A Graph GET with the account's token, as the worker would send it.
    std::string GraphAnswer(const std::string& relative) const
    {
        const std::string base = GraphBaseAddress(m_UserId, false);
        return m_Emulator.Get(base.substr(m_Emulator.BaseUrl().size()) + relative, kAccessToken).body;
    }
    // A section's first hundred pages, as the mirror asks for them.
    std::string PagesAnswer(const std::string& sectionId) const
    {
        return GraphAnswer("/onenote/sections/" + sectionId + "/pages?$top=100&$orderby=createdDateTime");
    }

private:
    static EmulatorProcess::Options Options(const std::string& fixture, bool limits)
    {
        EmulatorProcess::Options options;
        options.fixtureText = fixture;
        options.limits = limits;
        return options;
    }

    std::string m_UserId;
    EmulatorProcess m_Emulator;
    const ScopedEndpoints m_Endpoints{m_Emulator.BaseUrl()};
    TempDir m_Folder;
    AppState m_State;
    // Last, so the worker stops before the state, the folder and the endpoints it uses go.
    std::unique_ptr<MThreadOneNoteRESTDB> m_Worker;
};

} // namespace rz::test

namespace rz {
// The names every mirror test spells short.
namespace fs = std::filesystem;
using test::Container;
using test::MirrorHarness;
using test::Section;
} // namespace rz
