// SPDX-License-Identifier: GPL-3.0-or-later
// Section page lists and the list of sections whose page list failed.
#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/files.h"
#include "util/text.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace rz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPagingFile = "paging.json";
// Pages asked for again when paging goes on, against pages deleted meanwhile.
constexpr int kPagingOverlap = 10;
// A section of a hundred pages or more that changed is asked only for the pages changed since the
// newest change its stored list holds, one request instead of one per hundred. A filter on change
// time cannot see a page deleted, so such a section is still read whole when its last whole read is
// this old (and whenever the changes are not usable): a deleted page stays listed six hours at
// most, which the engine survives (it finds the page gone when it reads it), and a section edited
// all day costs four whole reads instead of one per edit.
constexpr double kWholeListSeconds = 6 * 3600.0;
constexpr const char* kWholeAtKey = "wholeAt";

// Creation order keeps a page edited while the section is paged through in its place; the default
// order (last change first) would move it to the front and push an unread page back into the
// hundred already read.
std::string SectionPagesAddress(const std::string& base, const std::string& sectionId)
{
    return base + "/onenote/sections/" + sectionId + "/pages?$top=" + std::to_string(kPagesPerRequest) +
           "&$orderby=createdDateTime";
}

// Oldest first, so that the hundred answered are the hundred next after the stored list.
std::string ChangedPagesAddress(const std::string& base, const std::string& sectionId,
                                const std::string& since)
{
    return base + "/onenote/sections/" + sectionId + "/pages?$filter=lastModifiedDateTime ge " + since +
           "&$orderby=lastModifiedDateTime&$top=" + std::to_string(kPagesPerRequest);
}

// The next "$skip" and the pages read so far, when the section's paging file says a paging of it
// was cut off.
std::optional<std::pair<int, std::string>> ResumedPaging(const Json& paging)
{
    const std::optional<std::int64_t> skip = JsonCount(paging, "skip", kPagesPerRequest, kMaxSectionPages);
    const Json* answer = JsonObject(paging, "answer");
    if (!skip || answer == nullptr || JsonArray(*answer, "value") == nullptr) {
        return std::nullopt;
    }
    std::string text = JsonObjectToText(*answer);
    if (text.empty()) {
        return std::nullopt;
    }
    return std::make_pair(static_cast<int>(*skip), std::move(text));
}

// A full hundred may have more after it.
bool HoldsFullHundred(const std::string& text)
{
    const Json parsed = JsonTextToObject(std::string_view(text));
    const Json* value = JsonArray(parsed, "value");
    return value != nullptr && value->size() >= static_cast<std::size_t>(kPagesPerRequest);
}

} // namespace

std::optional<TSendOutcome> MThreadOneNoteRESTDB::ChangedPages(const std::string& sectionId,
                                                               const fs::path& folder, const Json& paging,
                                                               std::string& text)
{
    const std::optional<double> wholeAt = JsonNumber(paging, kWholeAtKey);
    const double now = DateNow().seconds;
    // A clock set back since the whole read cannot tell its age: read whole.
    if (!wholeAt || now < *wholeAt || now - *wholeAt >= kWholeListSeconds) {
        return std::nullopt;
    }
    Json stored = JsonTextToObject(ReadTextFile((folder / "pages.json").string()));
    const auto value = stored.find("value");
    if (value == stored.end() || !value->is_array() ||
        value->size() < static_cast<std::size_t>(kPagesPerRequest)) {
        return std::nullopt;
    }
    std::string newest;
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < value->size(); ++i) {
        newest =
            std::max(newest, JsonText((*value)[i], "lastModifiedDateTime")); // Graph times compare as text
        index.emplace(JsonText((*value)[i], "id"), i);
    }
    if (newest.empty()) {
        return std::nullopt;
    }
    Json answer;
    if (const TSendOutcome outcome =
            GetPageList(ChangedPagesAddress(m_Shared.ReadBaseFor(sectionId), sectionId, newest), answer);
        outcome != TSendOutcome::Ok) {
        return outcome == TSendOutcome::Invalid ? std::nullopt : std::optional(outcome);
    }
    const Json* changed = JsonArray(answer, "value");
    // A full hundred may leave more changes unread: the whole list is as cheap then.
    if (changed->size() >= static_cast<std::size_t>(kPagesPerRequest)) {
        return std::nullopt;
    }
    for (const Json& page : *changed) {
        const std::string id = JsonText(page, "id");
        if (id.empty()) {
            continue;
        }
        if (const auto found = index.find(id); found != index.end()) {
            (*value)[found->second] = page;
        } else {
            index.emplace(id, value->size());
            value->push_back(page);
        }
    }
    text = JsonObjectToText(stored);
    if (text.empty()) {
        return std::nullopt;
    }
    return TSendOutcome::Ok;
}

TSendOutcome MThreadOneNoteRESTDB::GetPageList(const std::string& address, Json& answer)
{
    const auto response = OneNoteGet(address, true);
    if (!response) {
        return TSendOutcome::NotSent;
    }
    if (response->IsHttpError()) {
        RefreshTokensAfter(response);
        return TSendOutcome::HttpError;
    }
    if (RefusedForNow(*response)) {
        return TSendOutcome::NotSent;
    }
    if (!IsGraphListResponse(response->Body)) {
        return TSendOutcome::Invalid;
    }
    answer = JsonTextToObject(std::string_view(response->Body));
    return JsonArray(answer, "value") != nullptr ? TSendOutcome::Ok : TSendOutcome::Invalid;
}

TSectionFetch MThreadOneNoteRESTDB::FailSection(const fs::path& folder)
{
    ++m_Counts.GetSectionErrorCount;
    m_Result.Set("Get pages error: " + folder.string());
    return TSectionFetch::Failed;
}

TSendOutcome MThreadOneNoteRESTDB::MorePages(const std::string& sectionId, const std::string& address,
                                             std::string& answer, int firstSkip, const fs::path& folder)
{
    Json object = JsonTextToObject(std::string_view(answer));
    const Json* first = JsonArray(object, "value");
    if (first == nullptr) {
        return TSendOutcome::Invalid;
    }
    Json pages = Json::array();
    std::set<std::string> seen;
    AddNewPages(*first, pages, seen);
    // The service leaves out "@odata.nextLink" when "$top" is given, so the next hundred is asked
    // for by "$skip" until an answer holds fewer, or only pages already seen (a service that
    // ignores "$skip" would otherwise be asked to the cap).
    std::size_t lastCount = kPagesPerRequest;
    std::size_t lastAdded = lastCount;
    for (int skip = firstSkip;
         lastCount >= static_cast<std::size_t>(kPagesPerRequest) && lastAdded > 0 && skip < kMaxSectionPages;
         skip += kPagesPerRequest) {
        Json next;
        const TSendOutcome outcome = GetPageList(address + "&$skip=" + std::to_string(skip), next);
        if (outcome == TSendOutcome::NotSent) {
            // The stretch ended (or no slot): the next pass goes on from here, a restart too.
            object["value"] = std::move(pages);
            SavePaging(folder, skip, object);
            if (!m_Stop) {
                m_Sections.PagingStopped(sectionId, skip);
            }
        }
        if (outcome != TSendOutcome::Ok) {
            return outcome;
        }
        const Json* more = JsonArray(next, "value");
        lastCount = more->size();
        lastAdded = AddNewPages(*more, pages, seen);
    }
    object["value"] = std::move(pages);
    object.erase("@odata.nextLink");
    answer = JsonObjectToText(object);
    return answer.empty() ? TSendOutcome::Invalid : TSendOutcome::Ok;
}

void MThreadOneNoteRESTDB::SavePaging(const fs::path& folder, int skip, const Json& answer)
{
    if (!StoreHasFolder(folder) && !StoreCreateFolder(folder)) {
        return;
    }
    // Pages deleted meanwhile move the later ones forward: the next request begins a little
    // before, and what it repeats is seen already.
    StoreWrite(folder / kPagingFile,
               JsonObjectToText(
                   Json{{"skip", std::max(kPagesPerRequest, skip - kPagingOverlap)}, {"answer", answer}}));
}

TSectionFetch MThreadOneNoteRESTDB::GetSectionAllPages(const std::string& sectionId,
                                                       const std::string& displayName, const fs::path& folder)
{
    (void)displayName; // carried so that the error list can call again with the same three values
    try {
        if (const auto notAsked = SectionNotAsked(sectionId, folder)) {
            return *notAsked;
        }
        const std::string address = SectionPagesAddress(m_Shared.ReadBaseFor(sectionId), sectionId);
        // Either a paging cut off by the end of a stretch, which goes on where it stopped, or the
        // time of the last whole read.
        const Json paging = ReadJsonFile((folder / kPagingFile).string(), kMaxReadBytes);
        if (auto resumed = ResumedPaging(paging)) {
            std::string& text = resumed->second;
            return StorePages(sectionId, folder, MorePages(sectionId, address, text, resumed->first, folder),
                              text, TListRead::Paged);
        }
        if (std::string text; const auto changed = ChangedPages(sectionId, folder, paging, text)) {
            return StorePages(sectionId, folder, *changed, text, TListRead::Changes);
        }
        return ReadWholeList(sectionId, address, folder);
    } catch (...) {
        return TSectionFetch::NotListed;
    }
}

std::optional<TSectionFetch> MThreadOneNoteRESTDB::SectionNotAsked(const std::string& sectionId,
                                                                   const fs::path& folder)
{
    if (!HasAccount()) {
        return TSectionFetch::NotListed;
    }
    // Once the cycle has yielded, sections without a slot are put off at once, without a probe.
    if (m_Yielding && (StretchOver() || m_Budget.SecondsUntilSlot(m_SlotKind) > 0)) {
        DeferSection(sectionId);
        return TSectionFetch::NotListed;
    }
    if (!IsGraphReachable()) {
        return TSectionFetch::NotListed;
    }
    if (!IsSafeGraphIdSegment(sectionId)) {
        return FailSection(folder);
    }
    return std::nullopt;
}

TSectionFetch MThreadOneNoteRESTDB::ReadWholeList(const std::string& sectionId, const std::string& address,
                                                  const fs::path& folder)
{
    std::string text;
    if (const auto ended = FirstPages(sectionId, address, text)) {
        return *ended;
    }
    // Any refusal (an error code or none) says nothing of the section's pages: it fails and backs
    // off, keeping the page list stored earlier and the search's pages of it.
    if (!IsGraphListResponse(text)) {
        return FailSection(folder);
    }
    if (HoldsFullHundred(text)) {
        return StorePages(sectionId, folder, MorePages(sectionId, address, text, kPagesPerRequest, folder),
                          text, TListRead::Paged);
    }
    return StorePages(sectionId, folder, TSendOutcome::Ok, text, TListRead::Short);
}

std::optional<TSectionFetch> MThreadOneNoteRESTDB::FirstPages(const std::string& sectionId,
                                                              const std::string& address, std::string& text)
{
    TOneNoteAnswer response;
    bool sent = false;
    for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
        try {
            response = OneNoteGet(address, true);
            sent = true;
        } catch (...) {
            // one more try; a second failure counts as an empty answer
        }
    }
    if (sent && !response) {
        DeferSection(sectionId); // put off for the budget, or the worker stops
        return TSectionFetch::NotListed;
    }
    if (response && response->IsHttpError()) {
        RefreshTokensAfter(response);
        return TSectionFetch::Failed;
    }
    // Refused for now: the section is put off, not failing, and asked again after the wait.
    if (response && RefusedForNow(*response)) {
        DeferSection(sectionId);
        return TSectionFetch::NotListed;
    }
    text = response ? response->Body : std::string();
    return std::nullopt;
}

TSectionFetch MThreadOneNoteRESTDB::StorePages(const std::string& sectionId, const fs::path& folder,
                                               TSendOutcome outcome, const std::string& text, TListRead read)
{
    switch (outcome) {
    case TSendOutcome::Ok:
        break;
    case TSendOutcome::Invalid:
        return FailSection(folder);
    case TSendOutcome::HttpError:
        return TSectionFetch::Failed;
    case TSendOutcome::NotSent:
        DeferSection(sectionId);
        return TSectionFetch::NotListed;
    }
    if (!StoreHasFolder(folder)) {
        StoreCreateFolder(folder);
    }
    if (!StoreWrite(folder / "pages.json", text)) {
        return TSectionFetch::NotListed;
    }
    // A finished paging leaves nothing to go on from, and dates the whole list that later changes
    // are read against.
    if (read == TListRead::Paged) {
        StoreWrite(folder / kPagingFile, JsonObjectToText(Json{{kWholeAtKey, DateNow().seconds}}));
    } else if (read == TListRead::Short && FileExists((folder / kPagingFile).string())) {
        StoreWrite(folder / kPagingFile, "{}");
    }
    return TSectionFetch::Listed;
}

void MThreadOneNoteRESTDB::DeferSection(const std::string& sectionId, const std::string& lastModified)
{
    if (!m_Stop) {
        m_Sections.PutOff(sectionId, lastModified);
    }
}

void MThreadOneNoteRESTDB::RedoErrorSections()
{
    const std::vector<std::string> keys = m_Sections.ErrorListIds();
    bool changed = false;
    try {
        // A retry cut off by the stretch's end would put the section off, past its back-off.
        for (auto key = keys.rbegin(); key != keys.rend() && !m_Stop && !m_Yielding && !StretchOver();
             ++key) {
            // Sections put off for the budget are fetched within their share; a failing section
            // waits for its back-off.
            if (const auto entry = m_Sections.DueRetry(*key)) {
                changed = FetchSection(*entry) == TSectionFetch::Listed || changed;
            }
        }
    } catch (...) {
        return;
    }
    if (changed) {
        SaveErrorSections();
    }
}

void MThreadOneNoteRESTDB::ResumeDeferredSections(int limit)
{
    bool changed = false;
    const bool yielding = m_Yielding;
    const TRequestKind kind = m_SlotKind;
    try {
        for (int done = 0; done < limit && !m_Stop && HasAccount() && !StretchOver(); ++done) {
            if (m_Budget.SecondsUntilSlot(TRequestKind::Deferred) > 0) {
                break;
            }
            // Newest first: reminders live in the notes people are working on.
            const auto entry = m_Sections.NextPutOff();
            if (!entry) {
                break;
            }
            // Not sent (no slot after all) leaves it put off; a failure moves it to the back-off of
            // failing sections.
            m_Yielding = true;
            m_SlotKind = TRequestKind::Deferred;
            const TSectionFetch fetched = FetchSection(*entry);
            m_SlotKind = kind;
            m_Yielding = yielding;
            // A failure changes only the back-off, kept with the progress; the error list stays.
            changed = changed || fetched == TSectionFetch::Listed;
            if (fetched == TSectionFetch::NotListed) {
                break;
            }
        }
    } catch (...) {
        m_SlotKind = kind;
        m_Yielding = yielding;
    }
    if (changed) {
        SaveErrorSections();
    }
    UpdateSearchCovering();
}

void MThreadOneNoteRESTDB::SaveErrorSections()
{
    const std::string path = ErrorSectionsPath();
    if (path.empty() || !IsInsideStore(StoreRoot(), path) || !m_Sections.SaveErrorList(path)) {
        ++m_Counts.StoreErrorCount;
    }
}

} // namespace rz
