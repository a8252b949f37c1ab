// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "status/monitor_lines.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace rz {

struct AppState;
class MThreadOneNoteRESTDB;
class TOnlineSource;
class TStoreQueryMemo;

// The reminder engine runs from the execute callback when more than this many whole seconds have
// passed since its last completed run.
inline constexpr std::int64_t kEngineIntervalSeconds = 120;

// The application's side of the mirror worker: the callbacks the worker calls on its own thread.
// They set the worker's Graph addresses, write the status line, and give the reminder engine its
// turn (known-pages check, store query, pending reminder load). They touch shared state only, never
// a widget.
class TWorkerCallbacks
{
public:
    // `checkKnownPagesTick` is the controller's: its Refresh sets it to 0 to run the engine at once.
    // `checkedText` is the strings table's "strChecked".
    TWorkerCallbacks(AppState& state, std::atomic<std::int64_t>& checkKnownPagesTick,
                     std::string checkedText);
    // The status lines in the given words and time form (the desktop's language and locale).
    TWorkerCallbacks(AppState& state, std::atomic<std::int64_t>& checkKnownPagesTick, MonitorTexts texts);
    // How the engine reaches the network: by default through the worker (its tokens and request
    // budget). Tests give a fake.
    using OnlineSourceFactory = std::function<std::unique_ptr<TOnlineSource>(MThreadOneNoteRESTDB&)>;
    void SetOnlineSourceFactory(OnlineSourceFactory factory) { m_OnlineFor = std::move(factory); }
    ~TWorkerCallbacks();
    TWorkerCallbacks(const TWorkerCallbacks&) = delete;
    TWorkerCallbacks& operator=(const TWorkerCallbacks&) = delete;

    // Gives the worker its callbacks, and hands the title search's result to the loader. Call
    // before the worker's Run; this object must outlive the worker's thread.
    void Bind(MThreadOneNoteRESTDB& worker);

    // A cycle begins: the Graph base addresses and "Check start: <now>".
    void ThreadRESETDBDoStart(MThreadOneNoteRESTDB& worker);
    // A cycle ended: "<strChecked> <now>  F:…" with the cycle's counters.
    void ThreadRESETDBDoEnd(MThreadOneNoteRESTDB& worker);
    // Every pass: at most once per interval, the known-pages check, then, with a signed-in user,
    // the store query and the pending reminder load. A failure leaves the tick as it was, so the
    // whole run is tried again at the next pass. A store without a valid hierarchy document (never
    // mirrored, cut off, removed) leaves the reminder page list as it was instead of emptying it,
    // so no reminder is lost to a damaged store.
    void ThreadRESETDBDoExecute(MThreadOneNoteRESTDB& worker);
    // Seconds until ThreadRESETDBDoExecute runs the engine again; 0 when it runs at the next pass.
    double EngineDueIn() const;
    // The title search after a sign-in found reminder pages: load them at once.
    void ReminderPagesFound(MThreadOneNoteRESTDB& worker);

private:
    AppState& m_State;
    std::atomic<std::int64_t>& m_CheckKnownPagesTick;
    MonitorTexts m_Texts;
    // Parsed store files kept between queries; worker thread only.
    std::unique_ptr<TStoreQueryMemo> m_QueryMemo;
    OnlineSourceFactory m_OnlineFor;
};

// What the status window shows, read now from the state and the worker (none before it exists).
MonitorSnapshot TakeMonitorSnapshot(const AppState& state, const MThreadOneNoteRESTDB* worker);

} // namespace rz
