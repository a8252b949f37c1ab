// Section page lists and the list of sections whose page list failed.
#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/files.h"
#include "util/plist.h"
#include "util/text.h"

#include <set>
#include <vector>

namespace rz {

namespace fs = std::filesystem;

namespace {

// Appends each page whose id was not seen yet; pages without an id are kept as they come.
void AddPages(const Json& from, Json& pages, std::set<std::string>& seen)
{
    for (const Json& page : from) {
        const std::string id = JsonText(page, "id");
        if (id.empty() || seen.insert(id).second) {
            pages.push_back(page);
        }
    }
}

} // namespace

bool MThreadOneNoteRESTDB::FailSection(const fs::path& folder)
{
    ++m_GetSectionErrorCount;
    m_Result.Set("Get pages error: " + folder.string());
    return false;
}

MThreadOneNoteRESTDB::TSendOutcome MThreadOneNoteRESTDB::MorePages(const std::string& address,
                                                                   std::string& answer)
{
    Json object = JsonTextToObject(std::string_view(answer));
    const Json* first = JsonArray(object, "value");
    if (first == nullptr) {
        return TSendOutcome::Invalid;
    }
    Json pages = Json::array();
    std::set<std::string> seen;
    AddPages(*first, pages, seen);
    // The service leaves out "@odata.nextLink" when "$top" is given, so the next hundred is asked
    // for by "$skip" until an answer holds fewer.
    std::size_t lastCount = first->size();
    for (int skip = kPagesPerRequest;
         lastCount >= static_cast<std::size_t>(kPagesPerRequest) && skip < kMaxSectionPages;
         skip += kPagesPerRequest) {
        const auto response = OneNoteGet(address + "&$skip=" + std::to_string(skip), true);
        if (!response) {
            return TSendOutcome::NotSent;
        }
        if (response->IsHttpError()) {
            RefreshTokensUnlessStopping();
            return TSendOutcome::HttpError;
        }
        if (!IsGraphListResponse(response->Body)) {
            return TSendOutcome::Invalid;
        }
        const Json next = JsonTextToObject(std::string_view(response->Body));
        const Json* more = JsonArray(next, "value");
        if (more == nullptr) {
            return TSendOutcome::Invalid;
        }
        lastCount = more->size();
        AddPages(*more, pages, seen);
    }
    object["value"] = std::move(pages);
    object.erase("@odata.nextLink");
    answer = JsonObjectToText(object);
    return answer.empty() ? TSendOutcome::Invalid : TSendOutcome::Ok;
}

bool MThreadOneNoteRESTDB::GetSectionAllPages(const std::string& sectionId, const std::string& displayName,
                                              const fs::path& folder)
{
    (void)displayName; // carried so that the error list can call again with the same three values
    try {
        if (!HasAccount() || !IsGraphReachable()) {
            return false;
        }
        if (!IsSafeGraphIdSegment(sectionId)) {
            return FailSection(folder);
        }
        const std::string address = m_GraphBase.Get() + "/onenote/sections/" + sectionId +
                                    "/pages?$top=" + std::to_string(kPagesPerRequest);
        std::optional<HttpResponse> response;
        bool sent = false;
        for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
            try {
                response = OneNoteGet(address, true);
                sent = true;
            } catch (...) {
                // one more try; a second failure counts as an empty answer below
            }
        }
        if (sent && !response) {
            return false; // the worker stops
        }
        if (response && response->IsHttpError()) {
            RefreshTokensUnlessStopping();
            return false;
        }
        std::string text = response ? response->Body : std::string();
        if (IsGraphListResponse(text)) {
            const Json* value = nullptr;
            const Json parsed = JsonTextToObject(std::string_view(text));
            value = JsonArray(parsed, "value");
            if (value != nullptr && value->size() >= static_cast<std::size_t>(kPagesPerRequest)) {
                switch (MorePages(address, text)) {
                case TSendOutcome::Ok:
                    break;
                case TSendOutcome::Invalid:
                    return FailSection(folder);
                case TSendOutcome::HttpError:
                case TSendOutcome::NotSent:
                    return false;
                }
            }
        } else if (StrContains("\"code\":\"20185\"", text)) {
            // The service will not list this section now; it counts as fetched. A page list stored
            // earlier stays, so its reminders do not go with a refusal; a section never listed
            // gets no pages.
            const std::optional<std::string> stored = ReadTextFile((folder / "pages.json").string());
            if (stored && IsGraphListResponse(*stored)) {
                return true;
            }
            text = "{}";
        } else {
            return FailSection(folder);
        }
        if (!StoreHasFolder(folder)) {
            StoreCreateFolder(folder);
        }
        StoreWrite(folder / "pages.json", text);
        return true;
    } catch (...) {
        return false;
    }
}

void MThreadOneNoteRESTDB::AddErrorSection(const std::string& sectionId, const std::string& displayName,
                                           const std::string& folder)
{
    std::lock_guard lock(m_FieldMutex);
    m_ErrorSectionList.try_emplace(sectionId, TErrorSection{sectionId, displayName, folder});
}

void MThreadOneNoteRESTDB::RemoveErrorSections(const std::string& newText)
{
    std::lock_guard lock(m_FieldMutex);
    std::erase_if(m_ErrorSectionList,
                  [&](const auto& entry) { return !StrContains(entry.second[0], newText); });
}

std::map<std::string, TErrorSection> MThreadOneNoteRESTDB::ErrorSections() const
{
    std::lock_guard lock(m_FieldMutex);
    return m_ErrorSectionList;
}

void MThreadOneNoteRESTDB::RedoErrorSections()
{
    std::vector<std::string> keys;
    for (const auto& entry : ErrorSections()) {
        keys.push_back(entry.first);
    }
    bool changed = false;
    try {
        for (auto key = keys.rbegin(); key != keys.rend() && !m_Stop; ++key) {
            TErrorSection entry;
            {
                std::lock_guard lock(m_FieldMutex);
                const auto found = m_ErrorSectionList.find(*key);
                if (found == m_ErrorSectionList.end()) {
                    continue;
                }
                entry = found->second;
            }
            if (GetSectionAllPages(entry[0], entry[1], fs::path(entry[2]))) {
                std::lock_guard lock(m_FieldMutex);
                m_ErrorSectionList.erase(*key);
                changed = true;
            }
        }
    } catch (...) {
        return;
    }
    if (!changed) {
        return;
    }
    PlistStringArrayDict dict;
    for (const auto& [key, entry] : ErrorSections()) {
        dict[key] = {entry[0], entry[1], entry[2]};
    }
    const std::string path = m_ErrorSectionsPath.Get();
    if (path.empty() || !IsInsideStore(StoreRoot(), path) || !WritePlistStringArrayDict(path, dict)) {
        ++m_StoreErrorCount;
    }
}

} // namespace rz
