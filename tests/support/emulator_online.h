// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "emulator_process.h"
#include "reminders/online_source.h"
#include "util/json.h"

#include <string>

namespace rz::test {

// Reads pages and lists the way the mirror worker would, straight from the emulator with a fixed
// access token: plain HTTP, no request budget.
class EmulatorOnline : public TOnlineSource
{
public:
    EmulatorOnline(const EmulatorProcess& emulator, std::string token)
        : m_Emulator(emulator), m_Token(std::move(token))
    {
    }

    TOnlineAnswer GetPageContent(const std::string& pageId) override
    {
        const auto reply =
            m_Emulator.Get("/v1.0/me/onenote/pages/" + pageId + "/content?includeIDs=true", m_Token);
        if (reply.status != 200 || !IsPageContentResponse(reply.body)) {
            return {TOnlineStatus::Failed, {}};
        }
        return {TOnlineStatus::Ok, reply.body};
    }

    TOnlineAnswer GetOneNoteList(const std::string& relative) override
    {
        const std::string base = m_Emulator.BaseUrl();
        const std::string path =
            relative.rfind(base, 0) == 0 ? relative.substr(base.size()) : "/v1.0/me" + relative;
        const auto reply = m_Emulator.Get(path, m_Token);
        if (reply.status != 200 || !IsGraphListResponse(reply.body)) {
            return {TOnlineStatus::Failed, reply.body};
        }
        return {TOnlineStatus::Ok, reply.body};
    }

private:
    const EmulatorProcess& m_Emulator;
    std::string m_Token;
};

} // namespace rz::test
