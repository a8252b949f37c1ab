// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's loop and cycle: start, stop, passes, the cycle's steps and the account folder.
#include "mirror/thread_one_note_restdb.h"

#include "account/http.h"
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "util/files.h"
#include "util/log.h"

#include <exception>
#include <limits>
#include <pthread.h>
#include <string>
#include <utility>

namespace rz {

namespace fs = std::filesystem;

MThreadOneNoteRESTDB::MThreadOneNoteRESTDB(AppState& state) : MGraphTokens(state) {}

MThreadOneNoteRESTDB::~MThreadOneNoteRESTDB()
{
    Stop();
}

void MThreadOneNoteRESTDB::Run()
{
    if (m_Thread.joinable()) {
        return;
    }
    m_InitEnd = false;
    m_Monitoring = false;
    m_Sections.Clear();
    m_Stop = false;
    m_Thread = std::thread([this] {
        // Named so that a look at the process's threads (top, /proc) tells the mirror's time apart.
        pthread_setname_np(pthread_self(), "mirror");
        ThreadRun();
    });
}

void MThreadOneNoteRESTDB::Stop()
{
    {
        std::lock_guard lock(m_WaitMutex);
        m_Stop = true;
    }
    m_WaitCondition.notify_all();
    if (m_Thread.joinable() && m_Thread.get_id() != std::this_thread::get_id()) {
        m_Thread.join();
    }
}

void MThreadOneNoteRESTDB::Refresh()
{
    m_Tick = 0;
    m_JsonNotebooks.Set({});
    m_Shared.ForceTrees();
    Wake();
}

void MThreadOneNoteRESTDB::Wake()
{
    {
        std::lock_guard lock(m_WaitMutex);
        m_Wake = true;
    }
    m_WaitCondition.notify_all();
}

void MThreadOneNoteRESTDB::ThreadRun()
{
    // Every request of this thread, the probe and the token requests included, ends when Stop is
    // called, so a slow answer cannot hold the join.
    const ScopedHttpCancel cancel(m_Stop);
    while (!m_Stop) {
        // Nothing may leave the thread: std::terminate would end the agent at every start while the
        // fault's cause (a damaged file, say) stays.
        try {
            Pass();
        } catch (const std::exception& error) {
            ++m_Counts.PassErrorCount;
            Log(LogLevel::Error, std::string("mirror pass ended by a fault: ") + error.what());
        } catch (...) {
            ++m_Counts.PassErrorCount;
            Log(LogLevel::Error, "mirror pass ended by an unknown fault");
        }
        if (m_Stop) {
            break;
        }
        Wait(PauseSeconds());
    }
}

void MThreadOneNoteRESTDB::Call(const TCallback& callback)
{
    if (!callback) {
        return;
    }
    try {
        callback(*this);
    } catch (...) {
        ++m_Counts.CallbackErrorCount;
    }
}

void MThreadOneNoteRESTDB::ResetCycleCounters()
{
    m_Counts.ResetCycle();
    m_Result.Set({});
}

void MThreadOneNoteRESTDB::Pass()
{
    // The sign-in window owns the account, or its tokens are still to come from the keyring; the
    // cycle waits for the account it will have.
    if (m_State.SignInWindowOpen || m_State.WaitingForKeyring) {
        return;
    }
    m_Shared.ServeRequests();
    bool cycled = false;
    const bool resume = m_ResumeCycle && m_Budget.SecondsUntilSlot(TRequestKind::Mirror) <= 0;
    // The tick is monotonic: a clock set back must not hold the next cycle back.
    if (TickNow() - m_Tick > kCycleIntervalSeconds || resume) {
        RunCycle();
        cycled = true;
    } else {
        StartStretch();
        ResumeDeferredSections();
        m_StretchEnd = 0;
    }
    if (FOnExecute && m_CreateRESTDBComplete && !m_Stop) {
        Call(FOnExecute);
    }
    if (cycled) {
        m_Tick = TickNow();
    }
    SaveProgress();
}

void MThreadOneNoteRESTDB::RunCycle()
{
    m_Monitoring = true;
    m_Tick = TickNow();
    m_Yielding = false;
    m_ResumeCycle = false;
    StartStretch();
    ResetCycleCounters();
    if (m_State.AccessToken.Empty() && !m_State.AuthorizationCode.Empty()) {
        RetrieveTokensByCode();
    }
    if (m_State.UserId.Empty()) {
        RetrieveUserIdByToken();
    }
    LoadProgress();
    Call(FOnDoStart);
    if (m_JustLoginAccount.exchange(false)) {
        if (FilterReminderPages()) {
            m_CreateRESTDBComplete = false;
            m_InitEnd = true;
        } else if (m_Yielding && !m_Stop) {
            // Put off for the budget: the search runs when a slot frees.
            m_JustLoginAccount = true;
            m_ResumeCycle = true;
        }
    }
    if (!m_State.UserId.Empty() && !m_Stop) {
        if (Init()) {
            MonitorNotebooks();
            ResumeDeferredSections(std::numeric_limits<int>::max());
            RedoErrorSections();
        }
        m_CreateRESTDBComplete = true;
    }
    UpdateSearchCovering();
    m_StretchEnd = 0;
    m_Monitoring = false;
    Call(FOnDoEnd);
    m_InitEnd = true;
}

bool MThreadOneNoteRESTDB::Init()
{
    const std::string root = m_State.Paths.StoreRootPath;
    if (root.empty()) {
        ++m_Counts.StoreErrorCount;
        return false;
    }
    // The user id names a folder like any display name, so a hostile one stays below the root; the
    // store query finds the same folder.
    const fs::path account = AccountStorePath(root, m_State.UserId.Get());
    if (!IsInsideStore(root, account) || !CreateFolder(account.string()) || !IsInsideStore(root, account)) {
        ++m_Counts.StoreErrorCount;
        return false;
    }
    m_RESTDBPath.Set(account.string());
    LoadSections(account);
    return true;
}

void MThreadOneNoteRESTDB::LoadSections(const fs::path& account)
{
    // The table belongs to its account: another account's sections are not retried here, and the
    // new account's put-off and failing sections need theirs to be fetched at all.
    if (m_Sections.Folder() != account) {
        m_Sections.Load(account);
    }
}

std::string MThreadOneNoteRESTDB::ErrorSectionsPath() const
{
    const std::string folder = m_RESTDBPath.Get();
    return folder.empty() ? std::string() : (fs::path(folder) / "errorsections.json").string();
}

bool MThreadOneNoteRESTDB::HasAccount() const
{
    return !m_State.AccessToken.Empty() && !m_State.UserId.Empty();
}

void MThreadOneNoteRESTDB::RefreshTokensAfter(const TOneNoteAnswer& answer)
{
    if (!answer.TokensRefreshed && !m_Stop) {
        RefreshTokens();
    }
}

bool MThreadOneNoteRESTDB::SignedIn() const
{
    return !m_State.AccessToken.Empty() && !m_State.SignInWindowOpen;
}

std::optional<HttpResponse> MThreadOneNoteRESTDB::Exchange(const TOneNoteRequest& request,
                                                           const std::function<bool()>& beforeSend)
{
    TOneNoteAnswer answer = OneNoteRequest(request, beforeSend);
    if (answer && answer->IsHttpError()) {
        RefreshTokensAfter(answer);
    }
    return std::move(answer.Response);
}

std::optional<Date> MThreadOneNoteRESTDB::LastCheckPageTime() const
{
    std::lock_guard lock(m_FieldMutex);
    return m_LastCheckPageTime;
}

} // namespace rz
