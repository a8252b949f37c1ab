// SPDX-License-Identifier: GPL-3.0-or-later
#include "status/worker_callbacks.h"

#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "mirror/worker_online_source.h"
#include "reminders/reminder_handle.h"
#include "state/app_state.h"
#include "status/monitor_lines.h"
#include "util/dates.h"
#include "util/json.h"
#include "util/log.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace rz {

TWorkerCallbacks::TWorkerCallbacks(AppState& state, std::atomic<std::int64_t>& checkKnownPagesTick,
                                   std::string checkedText)
    : TWorkerCallbacks(state, checkKnownPagesTick, [&] {
          MonitorTexts texts;
          texts.Checked = std::move(checkedText);
          return texts;
      }())
{
}

TWorkerCallbacks::TWorkerCallbacks(AppState& state, std::atomic<std::int64_t>& checkKnownPagesTick,
                                   MonitorTexts texts)
    : m_State(state), m_CheckKnownPagesTick(checkKnownPagesTick), m_Texts(std::move(texts)),
      m_QueryMemo(std::make_unique<TStoreQueryMemo>()),
      m_OnlineFor([](MThreadOneNoteRESTDB& worker) { return std::make_unique<MWorkerOnlineSource>(worker); })
{
}

TWorkerCallbacks::~TWorkerCallbacks() = default;

void TWorkerCallbacks::Bind(MThreadOneNoteRESTDB& worker)
{
    worker.FOnDoStart = [this](MThreadOneNoteRESTDB& w) { ThreadRESETDBDoStart(w); };
    worker.FOnDoEnd = [this](MThreadOneNoteRESTDB& w) { ThreadRESETDBDoEnd(w); };
    worker.FOnExecute = [this](MThreadOneNoteRESTDB& w) { ThreadRESETDBDoExecute(w); };
    worker.FOnReminderPagesFound = [this](MThreadOneNoteRESTDB& w) { ReminderPagesFound(w); };
    worker.FOnExecuteDueIn = [this](MThreadOneNoteRESTDB&) { return EngineDueIn(); };
}

double TWorkerCallbacks::EngineDueIn() const
{
    // The engine runs once more than the interval has passed since its last run, at once after tick 0.
    const std::int64_t lastRun = m_CheckKnownPagesTick.load();
    return lastRun == 0 ? 0.0
                        : static_cast<double>(
                              std::max<std::int64_t>(0, kEngineIntervalSeconds + 1 - (TickNow() - lastRun)));
}

void TWorkerCallbacks::ThreadRESETDBDoStart(MThreadOneNoteRESTDB& worker)
{
    worker.SetGraphBase(GraphBaseAddress(m_State.UserId.Get(), false));
    const std::string principal = m_State.UserPrincipalName.Get();
    worker.SetGraphBaseUser(principal.empty() ? std::string() : GraphBaseAddress(principal, true));
    m_State.MirrorStatusText.Set(CheckStartLine(m_Texts, DateNow()));
}

void TWorkerCallbacks::ThreadRESETDBDoEnd(MThreadOneNoteRESTDB& worker)
{
    m_State.MirrorStatusText.Set(
        CheckEndLine(m_Texts, DateNow(), worker.m_FilterPagesResult, worker.m_Counts.Read()));
}

void TWorkerCallbacks::ThreadRESETDBDoExecute(MThreadOneNoteRESTDB& worker)
{
    const std::int64_t lastRun = m_CheckKnownPagesTick.load();
    if (TickNow() - lastRun <= kEngineIntervalSeconds) {
        return;
    }
    try {
        const std::unique_ptr<TOnlineSource> online = m_OnlineFor(worker);
        TReminderHandle engine(m_State, online.get());
        // At a start and after Refresh (tick 0): every page changed since the last listing.
        engine.Run_CheckKnowPages(lastRun == 0);
        if (!m_State.UserId.Empty()) {
            MOneNoteRESTDB query(m_State, m_QueryMemo.get());
            query.Run(kQueryPagesByTitle, 1, 0, "!", "");
            m_State.ReminderPageCount = query.m_Count;
            // Pages the title search found stay while their sections are not mirrored yet.
            const std::string pages = worker.WithSearchPages(query.m_ResultStr);
            if (!pages.empty()) {
                m_State.ReminderPagesJson.Set(pages);
            }
            engine.Run();
        }
        m_CheckKnownPagesTick = TickNow();
    } catch (const std::exception& error) {
        LogWarning(std::string("reminder engine run failed: ") + error.what());
    }
}

void TWorkerCallbacks::ReminderPagesFound(MThreadOneNoteRESTDB& worker)
{
    const std::unique_ptr<TOnlineSource> online = m_OnlineFor(worker);
    TReminderHandle(m_State, online.get()).Run();
}

MonitorSnapshot TakeMonitorSnapshot(const AppState& state, const MThreadOneNoteRESTDB* worker)
{
    MonitorSnapshot s;
    s.AccessToken = state.AccessToken.Get();
    s.UserId = state.UserId.Get();
    s.UserPrincipalName = state.UserPrincipalName.Get();
    s.MirrorStatusText = state.MirrorStatusText.Get();
    s.EndpointProblem = state.EndpointProblem.Get();
    s.ReminderPageCount = state.ReminderPageCount;
    s.WaitingForKeyring = state.WaitingForKeyring;
    s.KeyringFailed = state.SecretsFallbackReported;
    if (worker != nullptr) {
        s.HasWorker = true;
        s.Monitoring = worker->m_Monitoring;
        s.RefreshTokensErrorCount = worker->m_RefreshTokensErrorCount;
        s.FilterPagesResult = worker->m_FilterPagesResult;
        s.Counters = worker->m_Counts.Read();
        s.SectionsToMirror = static_cast<std::int64_t>(worker->Sections().ToMirror());
        s.FailingSections = worker->Sections().FailingNames();
        s.RefusedNotebooks = worker->Shared().Refused();
        s.LastCheckPageTime = worker->LastCheckPageTime();
        s.LastCheckPageResult = worker->m_LastCheckPageResult;
    }
    s.LastLoadTime = state.LastLoadTime.Get();
    s.LoadRunning = state.LoadRunning;
    s.LoadPageTotal = static_cast<std::int64_t>(state.LoadPageTotal.load());
    s.LoadPageDone = static_cast<std::int64_t>(state.LoadPageDone.load());
    s.LoadPageErrors = static_cast<std::int64_t>(state.LoadPageErrors.load());
    s.KnownTitlePageTotal = static_cast<std::int64_t>(state.KnownTitlePageTotal.load());
    s.KnownTitlePageDone = static_cast<std::int64_t>(state.KnownTitlePageDone.load());
    s.KnownTagPageTotal = static_cast<std::int64_t>(state.KnownTagPageTotal.load());
    s.KnownTagPageDone = static_cast<std::int64_t>(state.KnownTagPageDone.load());
    return s;
}

} // namespace rz
