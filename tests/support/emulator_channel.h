// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/http.h"
#include "emulator_process.h"
#include "mirror/one_note_channel.h"

#include <string>
#include <utility>

namespace rz::test {

// The outbox's channel straight to the emulator with a fixed access token: plain HTTP, no request
// budget, no token refresh, every item below one base.
class EmulatorChannel : public TOneNoteChannel
{
public:
    EmulatorChannel(const EmulatorProcess& emulator, std::string token, std::string owner = "/me")
        : m_Emulator(emulator), m_Token(std::move(token)), m_Owner(std::move(owner))
    {
    }

    std::string BaseForAddress(const std::string&) override
    {
        return m_Emulator.BaseUrl() + "/v1.0" + m_Owner;
    }
    bool Stopping() const override { return false; }
    bool SignedIn() const override { return true; }
    std::optional<HttpResponse> Exchange(const TOneNoteRequest& request,
                                         const std::function<bool()>& beforeSend) override
    {
        if (beforeSend && !beforeSend()) {
            return std::nullopt;
        }
        HttpRequest http = HttpRequestOf(request);
        http.Headers.insert(http.Headers.begin(), {"Authorization", "Bearer " + m_Token});
        return HttpSend(http);
    }

private:
    const EmulatorProcess& m_Emulator;
    std::string m_Token;
    std::string m_Owner;
};

} // namespace rz::test
