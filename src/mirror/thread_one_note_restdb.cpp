// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/thread_one_note_restdb.h"

#include "account/http.h"
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "util/files.h"
#include "util/plist.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <system_error>

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
    {
        std::lock_guard lock(m_FieldMutex);
        m_ErrorSectionList.clear();
    }
    m_Stop = false;
    m_Thread = std::thread([this] { ThreadRun(); });
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
        Pass();
        if (m_Stop) {
            break;
        }
        Wait(kPassSeconds);
    }
}

void MThreadOneNoteRESTDB::Wait(double seconds)
{
    if (m_WaitFunction) {
        try {
            m_WaitFunction(seconds);
        } catch (...) {
            ++m_CallbackErrorCount;
        }
        return;
    }
    std::unique_lock lock(m_WaitMutex);
    m_WaitCondition.wait_for(lock, std::chrono::duration<double>(std::max(0.0, seconds)),
                             [this] { return m_Stop.load() || m_Wake; });
    m_Wake = false;
}

bool MThreadOneNoteRESTDB::WaitForSlot()
{
    // A back-off may last up to an hour; waiting for it inside the cycle would stop the execute
    // callback, the status and Refresh for as long.
    while (!m_Stop) {
        if (m_Budget.TryAcquire(m_SlotKind)) {
            return true;
        }
        const double wait = m_Budget.SecondsUntilSlot(m_SlotKind);
        if (m_Yielding || wait > kYieldSeconds) {
            m_Yielding = true;
            return false;
        }
        Wait(std::clamp(wait, 0.01, kPassSeconds));
    }
    return false;
}

void MThreadOneNoteRESTDB::ResumeLater()
{
    if (m_Stop) {
        return;
    }
    m_JsonNotebooks.Set({});
    m_ResumeCycle = true;
}

void MThreadOneNoteRESTDB::Call(const TCallback& callback)
{
    if (!callback) {
        return;
    }
    try {
        callback(*this);
    } catch (...) {
        ++m_CallbackErrorCount;
    }
}

void MThreadOneNoteRESTDB::ResetCycleCounters()
{
    for (auto* counter :
         {&m_NotebookTotal, &m_NotebookDownloading, &m_NewNotebookCount, &m_NewSectionGroupCount,
          &m_NewSectionCount, &m_NotebooksChanged, &m_NotebooksSectionsChanged, &m_ChangedNotebookCount,
          &m_ChangedSectionGroupCount, &m_ChangedSectionCount, &m_GetSectionErrorCount}) {
        *counter = 0;
    }
    m_Result.Set({});
}

void MThreadOneNoteRESTDB::Pass()
{
    // The sign-in window owns the account; the cycle waits for the one it leaves.
    if (m_State.SignInWindowOpen) {
        return;
    }
    bool cycled = false;
    const bool resume = m_ResumeCycle && m_Budget.SecondsUntilSlot() <= 0;
    if (TickNow() - m_Tick > kCycleIntervalSeconds || resume) {
        RunCycle();
        cycled = true;
    } else {
        ResumeDeferredSections();
    }
    if (FOnExecute && m_CreateRESTDBComplete && !m_Stop) {
        Call(FOnExecute);
    }
    if (cycled) {
        m_Tick = TickNow();
    }
}

void MThreadOneNoteRESTDB::RunCycle()
{
    m_Monitoring = true;
    m_Tick = TickNow();
    m_Yielding = false;
    m_ResumeCycle = false;
    ResetCycleCounters();
    if (m_State.AccessToken.Empty() && !m_State.AuthorizationCode.Empty()) {
        RetrieveTokensByCode();
    }
    if (m_State.UserId.Empty()) {
        RetrieveUserIdByToken();
    }
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
            RedoErrorSections();
        }
        m_CreateRESTDBComplete = true;
    }
    UpdateSearchCovering();
    m_Monitoring = false;
    Call(FOnDoEnd);
    m_InitEnd = true;
}

bool MThreadOneNoteRESTDB::Init()
{
    const std::string root = m_State.Paths.StoreRootPath;
    if (root.empty()) {
        ++m_StoreErrorCount;
        return false;
    }
    // The user id names a folder like any display name, so a hostile one stays below the root; the
    // store query finds the same folder.
    const fs::path account = AccountStorePath(root, m_State.UserId.Get());
    if (!IsInsideStore(root, account) || !CreateFolder(account.string()) || !IsInsideStore(root, account)) {
        ++m_StoreErrorCount;
        return false;
    }
    m_RESTDBPath.Set(account.string());
    const std::string errorPath = (account / "errorsections.json").string();
    m_ErrorSectionsPath.Set(errorPath);
    if (!m_InitEnd && FileExists(errorPath)) {
        std::map<std::string, TErrorSection> loaded;
        if (const auto stored = ReadPlistStringArrayDict(errorPath)) {
            for (const auto& [key, values] : *stored) {
                if (values.size() == 3) {
                    loaded[key] = {values[0], values[1], values[2]};
                }
            }
        }
        std::lock_guard lock(m_FieldMutex);
        m_ErrorSectionList = std::move(loaded);
    }
    return true;
}

bool MThreadOneNoteRESTDB::HasAccount() const
{
    return !m_State.AccessToken.Empty() && !m_State.UserId.Empty();
}

void MThreadOneNoteRESTDB::RefreshTokensUnlessStopping()
{
    if (!m_Stop) {
        RefreshTokens();
    }
}

namespace {

// Escapes what an address may not hold but keeps "%XX" sequences, so that an address the service
// handed out (already escaped) is sent as it is.
std::string EscapeKeepingPercents(const std::string& address)
{
    auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string out;
    std::size_t chunk = 0;
    for (std::size_t i = 0; i + 2 < address.size(); ++i) {
        if (address[i] == '%' && isHex(address[i + 1]) && isHex(address[i + 2])) {
            out += EscapeAddress(address.substr(chunk, i - chunk));
            out += address.substr(i, 3);
            chunk = i + 3;
            i += 2;
        }
    }
    out += EscapeAddress(address.substr(chunk));
    return out;
}

} // namespace

std::optional<HttpResponse> MThreadOneNoteRESTDB::OneNoteGet(const std::string& address, bool waitForSlot,
                                                             bool escape)
{
    if (waitForSlot) {
        if (!WaitForSlot()) {
            return std::nullopt;
        }
    } else if (!m_Budget.TryAcquire(TRequestKind::Engine)) {
        ++m_HeldBackCount;
        return std::nullopt;
    }
    HttpResponse response =
        escape ? GraphGet(address)
               : GraphGetWithToken(EscapeKeepingPercents(address), m_State.AccessToken.Get(), m_State);
    if (response.Failure == HttpFailure::Cancelled) {
        return std::nullopt;
    }
    ReportToBudget(response);
    return response;
}

void MThreadOneNoteRESTDB::ReportToBudget(const HttpResponse& response)
{
    if (response.IsHttpError()) {
        m_Budget.Report(TBudgetOutcome::Other);
    } else if (IsThrottledAnswer(response.Status, response.Body)) {
        ++m_ThrottledCount;
        m_Budget.Report(TBudgetOutcome::Refused, response.RetryAfterSeconds);
    } else if (response.Status >= 200 && response.Status < 300) {
        m_Budget.Report(TBudgetOutcome::Success);
    } else {
        m_Budget.Report(TBudgetOutcome::Other);
    }
}

bool MThreadOneNoteRESTDB::StoreCreateFolder(const fs::path& path)
{
    const fs::path root = StoreRoot();
    if (root.empty() || !IsInsideStore(root, path)) {
        ++m_StoreErrorCount;
        return false;
    }
    if (!CreateFolder(path.string()) || !IsInsideStore(root, path)) {
        ++m_StoreErrorCount;
        return false;
    }
    return true;
}

bool MThreadOneNoteRESTDB::StoreWrite(const fs::path& path, const std::string& text)
{
    const fs::path root = StoreRoot();
    if (root.empty() || !IsInsideStore(root, path) || !WriteTextFile(path.string(), text)) {
        ++m_StoreErrorCount;
        return false;
    }
    return true;
}

bool MThreadOneNoteRESTDB::StoreDeleteFolder(const fs::path& path)
{
    const fs::path root = StoreRoot();
    std::error_code error;
    if (root.empty() || !IsInsideStore(root, path) || fs::equivalent(root, path, error) ||
        !DeleteFolder(path.string())) {
        ++m_StoreErrorCount;
        return false;
    }
    return true;
}

bool MThreadOneNoteRESTDB::StoreHasFolder(const fs::path& path) const
{
    return FileExists(path.string());
}

std::optional<Date> MThreadOneNoteRESTDB::LastCheckPageTime() const
{
    std::lock_guard lock(m_FieldMutex);
    return m_LastCheckPageTime;
}

TOnlineAnswer MWorkerOnlineSource::GetPageContent(const std::string& pageId)
{
    return m_Worker.PageContentAnswer(pageId);
}

TOnlineAnswer MWorkerOnlineSource::GetOneNoteList(const std::string& relativeOrNextLink)
{
    return m_Worker.OneNoteListAnswer(relativeOrNextLink);
}

} // namespace rz
