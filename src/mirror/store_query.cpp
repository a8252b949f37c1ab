// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/store_query.h"

#include "mirror/store_path.h"
#include "state/app_state.h"
#include "util/dates.h"
#include "util/files.h"
#include "util/text.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace rz {
namespace {

constexpr std::string_view kTitleKey = "\"title\"";

bool IsJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t SkipJsonSpace(std::string_view text, std::size_t at)
{
    while (at < text.size() && IsJsonSpace(text[at])) {
        ++at;
    }
    return at;
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t FindRaw(std::string_view text, std::string_view part, std::size_t from)
{
    if (from >= text.size()) {
        return std::string_view::npos;
    }
    const void* hit = ::memmem(text.data() + from, text.size() - from, part.data(), part.size());
    return hit == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

// How one title value is compared, worked out once per keyword.
struct TitleTest
{
    std::string_view keyword;
    bool ignoreCase = false;
    bool asciiKeyword = false;
    bool keywordHasLetters = false;
    std::string folded; // ASCII keyword, lower-cased

    TitleTest(std::string_view key, bool noCase)
        : keyword(key), ignoreCase(noCase), asciiKeyword(IsAscii(key))
    {
        folded.reserve(key.size());
        for (char c : key) {
            folded += FoldAscii(c);
            keywordHasLetters = keywordHasLetters || (FoldAscii(c) >= 'a' && FoldAscii(c) <= 'z');
        }
    }

    bool FoldedFind(std::string_view title) const
    {
        return std::search(title.begin(), title.end(), folded.begin(), folded.end(),
                           [](char a, char b) { return FoldAscii(a) == b; }) != title.end();
    }

    bool MayMatch(std::string_view title) const
    {
        if (!ignoreCase) {
            return StrContains(keyword, title);
        }
        if (!asciiKeyword) {
            return StrContainsNoCase(keyword, title);
        }
        if (FoldedFind(title)) {
            return true;
        }
        // The full lower-case mapping turns only two non-ASCII characters into ASCII letters
        // ("İ" → "i̇", the Kelvin sign → "k"), and none into anything else ASCII; so an ASCII keyword
        // without letters is settled by the folded search, and one with letters asks ICU when the
        // title holds anything beyond ASCII.
        return keywordHasLetters && !IsAscii(title) && StrContainsNoCase(keyword, title);
    }
};

bool IsArrayMember(const Json& object, const char* key)
{
    const auto member = object.is_object() ? object.find(key) : object.end();
    return object.is_object() && member != object.end() && member->is_array();
}

// The object's array member `key`; an empty array when there is none.
const Json& ArrayMember(const Json& object, const char* key)
{
    static const Json kNone = Json::array();
    return IsArrayMember(object, key) ? *object.find(key) : kNone;
}

// The store folder of a notebook, section group or section under `path`, by its text
// "displayName"; none when it has none, which ends the list the item is in.
std::optional<std::string> ItemFolderPath(const Json& item, const std::string& path)
{
    const auto name = item.is_object() ? item.find("displayName") : item.end();
    if (!item.is_object() || name == item.end() || !name->is_string()) {
        return std::nullopt;
    }
    return path + "/" + ItemFolderName(item).string();
}

// As ItemFolderPath, and none too when the folder is missing, which also ends the list.
std::optional<std::string> ItemFolder(const Json& item, const std::string& path)
{
    std::optional<std::string> folder = ItemFolderPath(item, path);
    if (!folder || !FileExists(*folder)) {
        return std::nullopt;
    }
    return folder;
}

std::int64_t Nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The stamp of the file at `path`, relative to the folder `folder` (AT_FDCWD: the working one).
std::optional<TStoreQueryMemo::Stamp> StampOf(int folder, const std::string& path)
{
    struct stat info = {};
    if (::fstatat(folder, path.c_str(), &info, 0) != 0) {
        return std::nullopt;
    }
    TStoreQueryMemo::Stamp stamp;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::int64_t>(info.st_size);
    stamp.modifiedNs = Nanoseconds(info.st_mtim);
    stamp.changedNs = Nanoseconds(info.st_ctim);
    return stamp;
}

// A folder held open for looking up names in it, so that each look-up walks one folder instead of
// the whole path from the root; AT_FDCWD, which takes whole paths, when it cannot be opened.
class OpenFolder
{
public:
    explicit OpenFolder(const std::string& path)
        : m_Fd(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~OpenFolder()
    {
        if (m_Fd >= 0) {
            ::close(m_Fd);
        }
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    bool IsOpen() const { return m_Fd >= 0; }
    int Fd() const { return m_Fd >= 0 ? m_Fd : AT_FDCWD; }

private:
    int m_Fd;
};

// A write in the same clock tick as the stamp may leave it unchanged; one that old is past that.
bool IsSettled(const TStoreQueryMemo::Stamp& stamp)
{
    const double newest = static_cast<double>(std::max(stamp.modifiedNs, stamp.changedNs)) / 1e9;
    return newest + TStoreQueryMemo::kSettleSeconds <= DateNow().seconds;
}

} // namespace

std::size_t TStoreQueryMemo::PageListCount() const
{
    return static_cast<std::size_t>(std::count_if(m_PageLists.begin(), m_PageLists.end(),
                                                  [](const auto& entry) { return entry.second.textKept; }));
}

std::string AccountStorePath(const std::string& storeRootPath, std::string_view userId)
{
    return storeRootPath + "/" + StoreFolderName(userId).string();
}

bool PageListMayMatch(std::string_view text, std::string_view keyword, bool ignoreCase)
{
    if (keyword.empty()) {
        return false;
    }
    // Without a backslash no string holds an escape, so in any text the parser accepts every
    // string runs from one quote to the next and every "title" member reads «"title"», optional
    // blanks, «:», optional blanks and its quoted value. A text the parser refuses yields no page
    // either way. Titles inside other members are compared too, which can only cost a parse.
    if (std::memchr(text.data(), '\\', text.size()) != nullptr) {
        return true;
    }
    const TitleTest test(keyword, ignoreCase);
    std::size_t at = 0;
    while ((at = FindRaw(text, kTitleKey, at)) != std::string_view::npos) {
        std::size_t next = SkipJsonSpace(text, at + kTitleKey.size());
        if (next < text.size() && text[next] == ':') {
            next = SkipJsonSpace(text, next + 1);
            if (next < text.size() && text[next] == '"') {
                const std::size_t close = text.find('"', next + 1);
                if (close == std::string_view::npos) {
                    return true; // cut off: leave it to the parser
                }
                if (test.MayMatch(text.substr(next + 1, close - next - 1))) {
                    return true;
                }
                next = close + 1;
            }
        }
        at = next;
    }
    return false;
}

MOneNoteRESTDB::MOneNoteRESTDB(const AppState& state, TStoreQueryMemo* memo) : m_State(state), m_Memo(memo) {}

void MOneNoteRESTDB::Init()
{
    m_RESTDBPath = AccountStorePath(m_State.Paths.StoreRootPath, m_State.UserId.Get());
}

void MOneNoteRESTDB::Run(std::int64_t command, std::int64_t paramInt1, std::int64_t paramInt2,
                         std::string paramStr3, std::string paramStr4)
{
    m_Count = 0;
    m_ResultInt = 0;
    m_ResultStr.clear();
    m_Command = command;
    m_ParamInt1 = paramInt1;
    m_ParamInt2 = paramInt2;
    m_ParamStr3 = std::move(paramStr3);
    m_ParamStr4 = std::move(paramStr4);
    Init();

    // The memo's text passed the UTF-8 check when it was read; the same bytes need none again.
    std::optional<std::string> text = ReadRawFile(m_RESTDBPath + "/notebookssections.json");
    const bool remembered = text && m_Memo != nullptr && m_Memo->m_HierarchyText == *text;
    if (!text || !IsGraphListResponse(*text) || (!remembered && !IsValidUtf8(*text))) {
        return;
    }
    Json parsed;
    const Json* hierarchy = &parsed;
    if (m_Memo != nullptr) {
        ++m_Memo->m_Run;
        m_Memo->m_PageListsRead = 0;
        if (!remembered) {
            m_Memo->m_Hierarchy = JsonTextToObject(std::string_view(*text));
            m_Memo->m_HierarchyText = std::move(*text);
        }
        hierarchy = &m_Memo->m_Hierarchy;
    } else {
        parsed = JsonTextToObject(std::string_view(*text));
    }
    // A document that does not parse (a cut-off file) is as unknown as a missing one: answering
    // «{"value": []}» would tell the reminder engine that every reminder page is gone.
    if (!IsArrayMember(*hierarchy, "value")) {
        return;
    }
    Run_Containers(ArrayMember(*hierarchy, "value"), m_RESTDBPath);
    m_ResultStr = "{\"value\": [" + m_ResultStr + "]}";
    if (m_Memo != nullptr) {
        for (auto it = m_Memo->m_PageLists.begin(); it != m_Memo->m_PageLists.end();) {
            if (it->second.run == m_Memo->m_Run) {
                ++it;
                continue;
            }
            m_Memo->m_TextBytes -= it->second.text.size();
            it = m_Memo->m_PageLists.erase(it);
        }
    }
}

void MOneNoteRESTDB::Run_Containers(const Json& containers, const std::string& path)
{
    for (const Json& container : containers) {
        const std::optional<std::string> folder = ItemFolder(container, path);
        if (!folder) {
            return;
        }
        Run_Containers(ArrayMember(container, "sectionGroups"), *folder);
        Run_Sections(ArrayMember(container, "sections"), *folder);
    }
}

void MOneNoteRESTDB::Run_Sections(const Json& sections, const std::string& path)
{
    const OpenFolder parent(path);
    for (const Json& section : sections) {
        const std::optional<std::string> folder = ItemFolderPath(section, path);
        if (!folder) {
            return;
        }
        // A page list that stands shows that its folder stands, which spares a look-up per section.
        const std::string list =
            parent.IsOpen() ? folder->substr(path.size() + 1) + "/pages.json" : *folder + "/pages.json";
        const std::optional<TStoreQueryMemo::Stamp> stamp = StampOf(parent.Fd(), list);
        if (!stamp && !FileExists(*folder)) {
            return;
        }
        if (stamp) {
            Run_Pages(*folder, *stamp);
        }
    }
}

void MOneNoteRESTDB::Run_Pages(const std::string& sectionPath, const TStoreQueryMemo::Stamp& stamp)
{
    if (m_Command != kQueryPagesByTitle) {
        return;
    }
    const std::string path = sectionPath + "/pages.json";
    const bool ignoreCase = m_ParamInt1 == 1;
    // The stamp was taken before the read: a file replaced meanwhile shows a new one next time.
    if (m_Memo != nullptr) {
        if (m_SkipUnchangedPageLists && TakeUnchanged(path, stamp, ignoreCase)) {
            return;
        }
        ++m_Memo->m_PageListsRead;
    }
    // Bytes first: most page lists hold no matching title, and the prefilter settles those
    // without the UTF-8 check and the parse that ReadTextFile and the parser would spend on them.
    std::optional<std::string> text = ReadRawFile(path);
    if (!text || !IsGraphListResponse(*text) ||
        (m_SkipUnmatchedPageLists && !PageListMayMatch(*text, m_ParamStr3, ignoreCase)) ||
        !IsValidUtf8(*text)) {
        if (m_Memo != nullptr) {
            Remember(path, stamp, ignoreCase, {}, 0);
        }
        return;
    }
    SearchPageList(path, std::move(*text), ignoreCase, stamp);
}

bool MOneNoteRESTDB::TakeUnchanged(const std::string& path, const TStoreQueryMemo::Stamp& stamp,
                                   bool ignoreCase)
{
    const auto known = m_Memo->m_PageLists.find(path);
    if (known == m_Memo->m_PageLists.end()) {
        return false;
    }
    TStoreQueryMemo::PageList& entry = known->second;
    if (!entry.settled || !(entry.stamp == stamp) || entry.keyword != m_ParamStr3 ||
        entry.ignoreCase != ignoreCase) {
        return false;
    }
    AddRemembered(entry);
    return true;
}

void MOneNoteRESTDB::AddRemembered(TStoreQueryMemo::PageList& entry)
{
    entry.run = m_Memo->m_Run;
    if (!entry.matches.empty()) {
        if (!m_ResultStr.empty()) {
            m_ResultStr += ',';
        }
        m_ResultStr += entry.matches;
    }
    m_Count += entry.count;
}

TStoreQueryMemo::PageList& MOneNoteRESTDB::Remember(const std::string& path,
                                                    const TStoreQueryMemo::Stamp& stamp, bool ignoreCase,
                                                    std::string matches, std::int64_t count)
{
    TStoreQueryMemo::PageList& entry = m_Memo->m_PageLists[path];
    m_Memo->m_TextBytes -= entry.text.size();
    entry.text.clear();
    entry.textKept = false;
    entry.stamp = stamp;
    entry.settled = IsSettled(stamp);
    entry.keyword = m_ParamStr3;
    entry.ignoreCase = ignoreCase;
    entry.matches = std::move(matches);
    entry.count = count;
    entry.run = m_Memo->m_Run;
    return entry;
}

void MOneNoteRESTDB::SearchPageList(const std::string& path, std::string&& text, bool ignoreCase,
                                    const TStoreQueryMemo::Stamp& stamp)
{
    if (m_Memo == nullptr) {
        FindPageByTitle(JsonTextToObject(std::string_view(text)), m_ParamStr3, ignoreCase);
        return;
    }
    auto known = m_Memo->m_PageLists.find(path);
    if (known != m_Memo->m_PageLists.end() && known->second.textKept && known->second.text == text &&
        known->second.keyword == m_ParamStr3 && known->second.ignoreCase == ignoreCase) {
        TStoreQueryMemo::PageList& entry = known->second;
        entry.stamp = stamp;
        entry.settled = IsSettled(stamp);
        AddRemembered(entry);
        return;
    }
    const std::size_t resultBefore = m_ResultStr.size();
    const std::int64_t countBefore = m_Count;
    FindPageByTitle(JsonTextToObject(std::string_view(text)), m_ParamStr3, ignoreCase);

    // What this list added, without the separator that joined it to earlier sections' pages.
    std::size_t from = resultBefore;
    if (resultBefore > 0 && from < m_ResultStr.size() && m_ResultStr[from] == ',') {
        ++from;
    }
    TStoreQueryMemo::PageList& entry =
        Remember(path, stamp, ignoreCase, m_ResultStr.substr(std::min(from, m_ResultStr.size())),
                 m_Count - countBefore);
    if (m_Memo->m_TextBytes + text.size() > TStoreQueryMemo::kMaxTextBytes) {
        return;
    }
    m_Memo->m_TextBytes += text.size();
    entry.text = std::move(text);
    entry.textKept = true;
}

bool MOneNoteRESTDB::FindPageByTitle(const Json& pageList, std::string_view keyword, bool ignoreCase)
{
    bool found = false;
    for (const Json& page : ArrayMember(pageList, "value")) {
        if (!page.is_object()) {
            break;
        }
        const auto title = page.find("title");
        if (title == page.end() || !title->is_string()) {
            continue;
        }
        const std::string& text = title->get_ref<const std::string&>();
        if (!(ignoreCase ? StrContainsNoCase(keyword, text) : StrContains(keyword, text))) {
            continue;
        }
        ++m_Count;
        if (!m_ResultStr.empty()) {
            m_ResultStr += ',';
        }
        m_ResultStr += JsonObjectToText(page);
        found = true;
    }
    return found;
}

} // namespace rz
