// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/account_loader.h"

#include "state/app_state.h"

#include <utility>

namespace rz {

TAccountLoader::TAccountLoader(AppState& state) : m_State(state) {}

TAccountLoader::~TAccountLoader()
{
    if (m_Thread.joinable()) {
        if (m_Running && m_State.Secrets != nullptr) {
            m_State.Secrets->StopWaiting();
        }
        m_Thread.join();
    }
}

bool TAccountLoader::Start(const TKeyringStep& step, std::function<void()> done)
{
    if (step.What == TKeyringStep::Kind::None) {
        return false;
    }
    // The last step has ended (the caller waited for it), so this join returns at once.
    if (m_Thread.joinable()) {
        m_Thread.join();
    }
    m_Running = true;
    m_Thread = std::thread([this, step, done = std::move(done)] {
        MGlobalsOnline::LoadConfigFromKeyring(m_State, step);
        m_Running = false;
        if (done) {
            done();
        }
    });
    return true;
}

} // namespace rz
