#include "mirror/store_query.h"

#include "core/app_state.h"
#include "mirror/store_path.h"
#include "util/files.h"
#include "util/text.h"

#include <algorithm>
#include <cstring>
#include <optional>
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

} // namespace

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

    std::optional<std::string> text = ReadTextFile(m_RESTDBPath + "/notebookssections.json");
    if (!text || !IsGraphListResponse(*text)) {
        return;
    }
    Json parsed;
    const Json* hierarchy = &parsed;
    if (m_Memo != nullptr) {
        ++m_Memo->m_Run;
        if (m_Memo->m_HierarchyText != *text) {
            m_Memo->m_Hierarchy = JsonTextToObject(std::string_view(*text));
            m_Memo->m_HierarchyText = std::move(*text);
        }
        hierarchy = &m_Memo->m_Hierarchy;
    } else {
        parsed = JsonTextToObject(std::string_view(*text));
    }
    // A document that does not parse (a cut-off file) is as unknown as a missing one: answering
    // «{"value": []}» would tell the reminder engine that every reminder page is gone.
    const auto notebooks = hierarchy->find("value");
    if (notebooks == hierarchy->end() || !notebooks->is_array()) {
        return;
    }
    Run_Notebooks(*hierarchy, m_RESTDBPath);
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

void MOneNoteRESTDB::Run_Notebooks(const Json& hierarchy, const std::string& path)
{
    const auto notebooks = hierarchy.find("value");
    if (notebooks == hierarchy.end() || !notebooks->is_array()) {
        return;
    }
    for (const Json& notebook : *notebooks) {
        const auto name = notebook.is_object() ? notebook.find("displayName") : notebook.end();
        if (!notebook.is_object() || name == notebook.end() || !name->is_string()) {
            return;
        }
        const std::string folder = path + "/" + StoreFolderName(name->get_ref<const std::string&>()).string();
        if (!FileExists(folder)) {
            return;
        }
        if (Run_SectionGroups(notebook, folder) || Run_Sections(notebook, folder)) {
            return;
        }
    }
}

bool MOneNoteRESTDB::Run_SectionGroups(const Json& container, const std::string& path)
{
    const auto groups = container.find("sectionGroups");
    if (groups == container.end() || !groups->is_array()) {
        return false;
    }
    for (const Json& group : *groups) {
        const auto name = group.is_object() ? group.find("displayName") : group.end();
        if (!group.is_object() || name == group.end() || !name->is_string()) {
            return false;
        }
        const std::string folder = path + "/" + StoreFolderName(name->get_ref<const std::string&>()).string();
        if (!FileExists(folder)) {
            return false;
        }
        if (Run_SectionGroups(group, folder) || Run_Sections(group, folder)) {
            return true;
        }
    }
    return false;
}

bool MOneNoteRESTDB::Run_Sections(const Json& container, const std::string& path)
{
    const auto sections = container.find("sections");
    if (sections == container.end() || !sections->is_array()) {
        return false;
    }
    for (const Json& section : *sections) {
        const auto name = section.is_object() ? section.find("displayName") : section.end();
        if (!section.is_object() || name == section.end() || !name->is_string()) {
            return false;
        }
        const std::string folder = path + "/" + StoreFolderName(name->get_ref<const std::string&>()).string();
        if (!FileExists(folder)) {
            return false;
        }
        if (Run_Pages(folder)) {
            return true;
        }
    }
    return false;
}

bool MOneNoteRESTDB::Run_Pages(const std::string& sectionPath)
{
    // Bytes first: most page lists hold no matching title, and the prefilter settles those
    // without the UTF-8 check and the parse that ReadTextFile and the parser would spend on them.
    const std::string path = sectionPath + "/pages.json";
    std::optional<std::string> text = ReadRawFile(path);
    if (!text || !IsGraphListResponse(*text)) {
        return false;
    }
    if (m_Command != kQueryPagesByTitle) {
        return false;
    }
    const bool ignoreCase = m_ParamInt1 == 1;
    if (m_SkipUnmatchedPageLists && !PageListMayMatch(*text, m_ParamStr3, ignoreCase)) {
        return false;
    }
    if (!IsValidUtf8(*text)) {
        return false;
    }
    SearchPageList(path, std::move(*text), ignoreCase);
    return false; // query 4 covers every section, whatever it found
}

void MOneNoteRESTDB::SearchPageList(const std::string& path, std::string&& text, bool ignoreCase)
{
    if (m_Memo == nullptr) {
        FindPageByTitle(JsonTextToObject(std::string_view(text)), m_ParamStr3, ignoreCase);
        return;
    }
    auto known = m_Memo->m_PageLists.find(path);
    if (known != m_Memo->m_PageLists.end() && known->second.text == text &&
        known->second.keyword == m_ParamStr3 && known->second.ignoreCase == ignoreCase) {
        TStoreQueryMemo::PageList& entry = known->second;
        entry.run = m_Memo->m_Run;
        if (!entry.matches.empty()) {
            if (!m_ResultStr.empty()) {
                m_ResultStr += ',';
            }
            m_ResultStr += entry.matches;
        }
        m_Count += entry.count;
        return;
    }
    const std::size_t resultBefore = m_ResultStr.size();
    const std::int64_t countBefore = m_Count;
    FindPageByTitle(JsonTextToObject(std::string_view(text)), m_ParamStr3, ignoreCase);

    if (known != m_Memo->m_PageLists.end()) {
        m_Memo->m_TextBytes -= known->second.text.size();
        m_Memo->m_PageLists.erase(known);
    }
    if (m_Memo->m_TextBytes + text.size() > TStoreQueryMemo::kMaxTextBytes) {
        return;
    }
    TStoreQueryMemo::PageList entry;
    // What this list added, without the separator that joined it to earlier sections' pages.
    std::size_t from = resultBefore;
    if (resultBefore > 0 && from < m_ResultStr.size() && m_ResultStr[from] == ',') {
        ++from;
    }
    entry.matches = m_ResultStr.substr(std::min(from, m_ResultStr.size()));
    entry.count = m_Count - countBefore;
    entry.keyword = m_ParamStr3;
    entry.ignoreCase = ignoreCase;
    entry.run = m_Memo->m_Run;
    m_Memo->m_TextBytes += text.size();
    entry.text = std::move(text);
    m_Memo->m_PageLists.emplace(path, std::move(entry));
}

bool MOneNoteRESTDB::FindPageByTitle(const Json& pageList, std::string_view keyword, bool ignoreCase)
{
    const auto pages = pageList.is_object() ? pageList.find("value") : pageList.end();
    if (!pageList.is_object() || pages == pageList.end() || !pages->is_array()) {
        return false;
    }
    bool found = false;
    for (const Json& page : *pages) {
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
