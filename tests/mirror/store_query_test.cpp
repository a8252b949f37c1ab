// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "state/app_state.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/files.h"
#include "util/json.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace rz {
namespace {

constexpr const char* kContext = "https://graph.microsoft.com/v1.0/$metadata#users('u')/onenote/";

Json Page(const std::string& title, const std::string& id = "0-1a2b!1-3c4d!7")
{
    return Json{
        {"id", id},
        {"title", title},
        {"createdDateTime", "2024-03-01T08:00:00Z"},
        {"links", {{"oneNoteClientUrl", {{"href", "onenote:https://d.docs.live.net/x/S.one#P&end"}}}}}};
}

Json Container(const std::string& name, Json groups = Json::array(), Json sections = Json::array())
{
    return Json{
        {"id", "id-" + name}, {"displayName", name}, {"sectionGroups", groups}, {"sections", sections}};
}

Json Section(const std::string& name)
{
    return Json{{"id", "id-" + name}, {"displayName", name}};
}

std::string ListText(const Json& items, const char* collection = "pages")
{
    return JsonObjectToText(Json{{"@odata.context", std::string(kContext) + collection}, {"value", items}});
}

using Names = std::vector<std::string>;

// The titles of a query's result, in order.
Names Titles(const MOneNoteRESTDB& query)
{
    const Json result = JsonTextToObject(std::string_view(query.m_ResultStr));
    Names titles;
    for (const Json& page : result["value"]) {
        titles.push_back(page["title"]);
    }
    return titles;
}

class StoreQueryTest : public ::testing::Test
{
protected:
    StoreQueryTest()
    {
        m_State.Paths.StoreRootPath = m_Dir.Path() + "/RESTDB";
        m_State.UserId.Set("0123456789abcdef");
        fs::create_directories(m_Account);
    }

    void WriteHierarchy(const Json& notebooks)
    {
        test::WriteFileBytes(m_Account + "/notebookssections.json", ListText(notebooks, "notebooks"));
    }

    // The folder the mirror keeps for an item reached through these display names, created.
    std::string Folder(const Names& names)
    {
        fs::path folder = m_Account;
        for (const std::string& name : names) {
            folder /= StoreFolderName(name);
        }
        fs::create_directories(folder);
        return folder.string();
    }

    void WritePages(const Names& names, const Json& pages)
    {
        test::WriteFileBytes(Folder(names) + "/pages.json", ListText(pages));
    }

    // Page lists of one page each, titled after its section and holding the keyword "!".
    void WriteOnePageEach(const std::vector<Names>& sections)
    {
        for (const Names& names : sections) {
            WritePages(names, Json::array({Page(names.back() + " !")}));
        }
    }

    MOneNoteRESTDB Query(const std::string& keyword = "!", std::int64_t ignoreCase = 1, bool prefilter = true)
    {
        MOneNoteRESTDB query(m_State);
        query.m_SkipUnmatchedPageLists = prefilter;
        query.Run(kQueryPagesByTitle, ignoreCase, 0, keyword, "");
        return query;
    }

    // The query's count, once the results without the prefilter and through the fixture's memo
    // have proved byte-identical to the plain query's.
    std::int64_t Checked(const std::string& keyword, std::int64_t ignoreCase = 1)
    {
        const MOneNoteRESTDB plain = Query(keyword, ignoreCase);
        const MOneNoteRESTDB unfiltered = Query(keyword, ignoreCase, false);
        MOneNoteRESTDB remembered(m_State, &m_Memo);
        remembered.Run(kQueryPagesByTitle, ignoreCase, 0, keyword, "");
        for (const MOneNoteRESTDB* other : {&unfiltered, &std::as_const(remembered)}) {
            EXPECT_EQ(other->m_ResultStr, plain.m_ResultStr) << keyword << " " << ignoreCase;
            EXPECT_EQ(other->m_Count, plain.m_Count) << keyword << " " << ignoreCase;
        }
        return plain.m_Count;
    }

    test::TempDir m_Dir;
    AppState m_State;
    std::string m_Account = m_Dir.Path() + "/RESTDB/0123456789abcdef";
    TStoreQueryMemo m_Memo;
};

// The empty text means "nothing known"; «{"value": []}» means a known store without matches.
TEST_F(StoreQueryTest, OnlyAValidHierarchyDocumentGivesAList)
{
    const std::string valid = ListText(Json::array({Container("N", {}, {Section("S")})}), "notebooks");
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, ""}, // no document at all
        {"", ""},
        {"{}", ""},
        {R"({"value":[]})", ""},                                          // not a list answer: no context
        {valid.substr(0, valid.size() / 2), ""},                          // cut off
        {R"({"@odata.context":"x","value":{"a":1}})", ""},                // "value" not an array
        {R"({"@odata.context":"x","note":"value"})", ""},                 // "value" only as a text
        {std::string("{\"@odata.context\":\"x\",\"value\":[]}\xff"), ""}, // not UTF-8
        {ListText(Json::array(), "notebooks"), R"({"value": []})"},       // no notebooks
        {valid, R"({"value": []})"},                                      // no title matches
    };
    WritePages({"N", "S"}, Json::array({Page("Plain"), Page("Also plain")}));
    for (const auto& [text, result] : cases) {
        if (text) {
            test::WriteFileBytes(m_Account + "/notebookssections.json", *text);
        }
        const MOneNoteRESTDB query = Query();
        EXPECT_EQ(query.m_ResultStr, result) << text.value_or("(none)");
        EXPECT_EQ(query.m_Count, 0);
        EXPECT_EQ(query.m_ResultInt, 0);
    }
}

TEST_F(StoreQueryTest, MatchesFromTwoSectionsKeepEveryMemberInCompactForm)
{
    WriteHierarchy(Json::array({Container("N", {}, {Section("A"), Section("B")})}));
    test::WriteFileBytes(
        Folder({"N", "A"}) + "/pages.json",
        R"({"@odata.context": "x", "value": [ {"id": "p1", "title": "Call !2024-03-01 10:00", )"
        R"("links": {"oneNoteClientUrl": {"href": "onenote:a"}}, "n": 1.5} ]})");
    test::WriteFileBytes(Folder({"N", "B"}) + "/pages.json",
                         "{\"@odata.context\":\"x\",\"value\":[{\"title\":\"plain\"},"
                         "{\"title\":\"Caf\\u00e9 \\\"!!\\\" 09:00\",\"id\":\"p2\",\"x\":null}]}");
    const MOneNoteRESTDB query = Query();
    EXPECT_EQ(query.m_Count, 2);
    EXPECT_EQ(query.m_ResultStr, "{\"value\": [{\"id\":\"p1\",\"title\":\"Call !2024-03-01 10:00\","
                                 "\"links\":{\"oneNoteClientUrl\":{\"href\":\"onenote:a\"}},\"n\":1.5},"
                                 "{\"title\":\"Café \\\"!!\\\" 09:00\",\"id\":\"p2\",\"x\":null}]}");
}

// One page list per case: whether the query finds the title (with and without the prefilter, and
// through the memo), and whether the prefilter lets the raw text through. The prefilter may pass a
// text that holds no match, never skip one that does.
TEST_F(StoreQueryTest, TitleComparisonAndItsPrefilter)
{
    struct Case
    {
        std::string value; // the page list's "value" array
        std::string keyword;
        std::int64_t ignoreCase;
        bool match;
        bool mayMatch;
    };
    const Case cases[] = {
        {R"([{"title":"Meeting !Fri 10:00"}])", "!", 1, true, true},
        {R"([{"title":"Stand-up !! 09:15"}])", "!", 1, true, true},
        {R"([{"id":"0-a!1","self":"https://x/pages/0-a!1","title":"Plain"}])", "!", 1, false, false},
        {R"([{"id":"0-a!1","title":""}])", "!", 1, false, false},
        {R"([{"title":"xaby"}])", "AB", 1, true, true},
        {R"([{"title":"xaby"}])", "AB", 0, false, false},
        {R"([{"title":"xaby"}])", "AB", 2, false, false}, // only 1 ignores case
        {R"([{"title":"xABy"}])", "AB", 0, true, true},
        {R"([{"title":"AB"}])", "ab", 0, false, false},
        {R"([{"title":"AB"}])", "ab", 1, true, true},
        {R"([{"title":"STRASSE"}])", "straße", 1, false, false}, // lower-case mapping, not case folding
        {R"([{"title":"ÉTÉ"}])", "été", 1, true, true},
        {R"([{"title":"Été"}])", "éT", 1, true, true},
        {R"([{"title":"Été"}])", "éT", 0, false, false},
        {"[{\"title\":\"\xE2\x84\xAA\"}]", "k", 1, true, true},     // Kelvin sign → "k"
        {"[{\"title\":\"\xC4\xB0x\"}]", "ix", 1, false, false},     // "İx" → "i̇x"
        {"[{\"title\":\"\xC4\xB0\"}]", "i", 1, true, true},         // "İ" → "i̇"
        {R"([{"title":"Call \u0021 10:00"}])", "!", 1, true, true}, // only the parser knows
        {"[{\"title\" \r\n:\t \"x!\"}]", "!", 1, true, true},
        {R"([{"title":"x"},{"note":"title","title":"y"}])", "!", 1, false, false},
        {R"([{"title":null,"x":"!"}])", "!", 1, false, false},
        {R"([{"title":"cut !)", "!", 1, false, true},
        {R"([{"title":"cut)", "!", 1, false, true},
        {R"([{"title":"!"}])", "", 1, false, false},
    };
    WriteHierarchy(Json::array({Container("N", {}, {Section("S")})}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value + " / " + c.keyword + " / " + std::to_string(c.ignoreCase));
        const std::string text = "{\"@odata.context\":\"x\",\"value\":" + c.value + "}";
        test::WriteFileBytes(Folder({"N", "S"}) + "/pages.json", text);
        EXPECT_EQ(PageListMayMatch(text, c.keyword, c.ignoreCase == 1), c.mayMatch);
        EXPECT_EQ(Checked(c.keyword, c.ignoreCase), c.match ? 1 : 0);
    }
}

// Groups (nested ones first) come before their container's own sections, in document order. An
// item that is not an object, has no text name or has no folder ends the list it is in; a section
// without a page list, or with a refused one ("{}"), is passed over. In a page list a page that is
// not an object ends the list, one without a text title is passed over.
TEST_F(StoreQueryTest, WalkIsDepthFirstAndAnOddItemEndsOnlyItsOwnList)
{
    const Json walk = Container("N1", {Container("G", {Container("H", {}, {Section("h")})}, {Section("g")})},
                                {Section("n1")});
    const Json odd = Container("N", Json::array({"not an object", Container("G", {}, {Section("x")})}),
                               Json::array({Section("a"), Json{{"displayName", 7}}, Section("b")}));
    const Json early = Container("Early",
                                 {Container("G1", {}, {Section("e1")}), Container("G2", {}, {Section("e2")}),
                                  Container("G3", {}, {Section("e3")})},
                                 {Section("NoList"), Section("Refused"), Section("Missing"), Section("d")});
    WriteHierarchy(
        Json::array({walk, Container("N2", {}, {Section("n2")}), odd, early,
                     Container("Gone", {}, {Section("f")}), Container("Late", {}, {Section("l")})}));
    WriteOnePageEach({{"N1", "n1"},
                      {"N1", "G", "g"},
                      {"N1", "G", "H", "h"},
                      {"N2", "n2"},
                      {"N", "G", "x"},
                      {"N", "b"},
                      {"Early", "G1", "e1"},
                      {"Early", "G3", "e3"},
                      {"Early", "d"},
                      {"Late", "l"},
                      {"After", "z"}});
    WritePages({"N", "a"},
               Json::array({Page("a1 !"), Json{{"id", "no title"}}, Json{{"title", nullptr}},
                            Json{{"title", 3}}, Page("a2 !"), Json::array({"not a page"}), Page("a3 !")}));
    Folder({"Early", "NoList"});
    test::WriteFileBytes(Folder({"Early", "Refused"}) + "/pages.json", "{}");
    // "G2" and "Missing" have no folder, nor has notebook "Gone": "G3", "d" and "Late" are hidden.
    EXPECT_EQ(Checked("!"), 7);
    EXPECT_EQ(Titles(Query()), (Names{"h !", "g !", "n1 !", "n2 !", "a1 !", "a2 !", "e1 !"}));

    // Without the items that ended lists, the sections after the passed-over ones are read; a
    // notebook that is not an object ends the notebook list.
    WriteHierarchy(Json::array({Container("Early", {Container("G1", {}, {Section("e1")})},
                                          {Section("NoList"), Section("Refused"), Section("d")}),
                                Container("Late", {}, {Section("l")}), Json(42),
                                Container("After", {}, {Section("z")})}));
    EXPECT_EQ(Titles(Query()), (Names{"e1 !", "d !", "l !"}));
}

TEST_F(StoreQueryTest, HostileNamesAreFoundWhereTheMirrorPutsThemAndNowhereElse)
{
    const std::string nul("a\0b", 3);
    const std::string longName(300, 'x');
    WriteHierarchy(Json::array({Container("..", {Container("/abs", {}, {Section(nul)})},
                                          {Section(longName), Section("a/b"), Section("")})}));
    WriteOnePageEach({{"..", "/abs", nul}, {"..", longName}, {"..", "a/b"}, {"..", ""}});
    // Where the names would lead if used unchanged: the store root and the account folder.
    for (const std::string& folder : {m_Dir.Path() + "/RESTDB", m_Account}) {
        test::WriteFileBytes(folder + "/pages.json", ListText(Json::array({Page("outside !")})));
    }
    EXPECT_EQ(Titles(Query()), (Names{nul + " !", longName + " !", "a/b !", " !"}));
    EXPECT_TRUE(fs::is_directory(m_Account + "/%2E%2E/a/b"));
}

TEST_F(StoreQueryTest, InitFollowsTheCurrentAccount)
{
    MOneNoteRESTDB query(m_State);
    query.Init();
    EXPECT_EQ(query.m_RESTDBPath, m_Account);
    m_State.UserId.Set("7c1d2e3f-4a5b-4c6d-8e9f-0a1b2c3d4e5f");
    query.Init();
    EXPECT_EQ(query.m_RESTDBPath, m_Dir.Path() + "/RESTDB/7c1d2e3f-4a5b-4c6d-8e9f-0a1b2c3d4e5f");
    EXPECT_FALSE(fs::exists(query.m_RESTDBPath)) << "Init creates nothing";
    m_State.UserId.Set("../x");
    query.Init();
    EXPECT_EQ(query.m_RESTDBPath, m_Dir.Path() + "/RESTDB/%2E%2E/x");
}

TEST_F(StoreQueryTest, MemoGivesTheSameResultsAndNoticesEveryChange)
{
    WriteHierarchy(Json::array({Container("N", {}, {Section("A"), Section("B"), Section("C")})}));
    WritePages({"N", "A"}, Json::array({Page("1 !"), Page("plain")}));
    WritePages({"N", "B"}, Json::array({Page("2 !")}));
    WritePages({"N", "C"}, Json::array({Page("plain")}));
    EXPECT_EQ(Checked("!"), 2);
    EXPECT_EQ(m_Memo.PageListCount(), 2U) << "only lists that may match are kept";
    EXPECT_EQ(Checked("!"), 2);

    WritePages({"N", "A"}, Json::array({Page("9 !"), Page("plain")})); // same size, new title
    EXPECT_EQ(Checked("!"), 2);
    EXPECT_EQ(Checked("PLAIN"), 2);
    EXPECT_EQ(Checked("PLAIN", 0), 0);
    EXPECT_EQ(Checked("!"), 2);

    WriteHierarchy(Json::array({Container("N", {}, {Section("B"), Section("A")})}));
    EXPECT_EQ(Checked("!"), 2);
    WriteHierarchy(Json::array({Container("N", {}, {Section("A")})}));
    EXPECT_EQ(Checked("!"), 1);
    EXPECT_EQ(m_Memo.PageListCount(), 1U) << "a section that left the walk leaves the memo";
    test::WriteFileBytes(m_Account + "/notebookssections.json", "{\"@odata.context\":\"x\",\"value\":[");
    EXPECT_EQ(Checked("!"), 0);
}

// The store replaces a page list by renaming a new file over it, so even a rewrite of the same size
// within one clock tick shows in its stamp.
TEST_F(StoreQueryTest, MemoReadsAgainOnlyThePageListsThatChanged)
{
    WriteHierarchy(Json::array({Container("N", {}, {Section("A"), Section("B")})}));
    WritePages({"N", "A"}, Json::array({Page("1 !")}));
    WritePages({"N", "B"}, Json::array({Page("plain")}));
    struct stat info = {};
    ASSERT_EQ(::stat((Folder({"N", "A"}) + "/pages.json").c_str(), &info), 0);
    const ScopedFakeClock clock(static_cast<double>(info.st_mtime) + 60); // the files have settled
    EXPECT_EQ(Checked("!"), 1);
    EXPECT_EQ(m_Memo.PageListsRead(), 2U);
    EXPECT_EQ(Checked("!"), 1);
    EXPECT_EQ(m_Memo.PageListsRead(), 0U);

    ASSERT_TRUE(WriteTextFile(Folder({"N", "A"}) + "/pages.json", ListText(Json::array({Page("9 !")}))));
    EXPECT_EQ(Checked("!"), 1); // the results match a plain query's, so the new title is in them
    EXPECT_EQ(m_Memo.PageListsRead(), 1U);
}

// The ASCII shortcut rests on which characters lower-case to ASCII; ask ICU about every one.
TEST(PageListMayMatchTest, EveryCharacterLoweredToAsciiIsCaught)
{
    int asciiSources = 0;
    for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
        if (U_IS_SURROGATE(c)) {
            continue;
        }
        UChar units[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(units, length, c);
        UChar lowered[16];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = u_strToLower(lowered, 16, units, length, "", &status);
        ASSERT_TRUE(U_SUCCESS(status)) << std::hex << c;
        for (const UChar unit : std::u16string_view(lowered, n)) {
            if (unit >= 0x80) {
                continue;
            }
            ++asciiSources;
            char bytes[4];
            int32_t size = 0;
            U8_APPEND_UNSAFE(bytes, size, c);
            const std::string text = "{\"value\":[{\"title\":\"" + std::string(bytes, size) + "\"}]}";
            for (const char keyword : {static_cast<char>(unit), static_cast<char>(std::toupper(unit))}) {
                EXPECT_TRUE(PageListMayMatch(text, std::string(1, keyword), true)) << std::hex << c;
            }
        }
    }
    EXPECT_GT(asciiSources, 0);
}

// Many sections of realistic pages, titles with and without the keyword in various cases and
// escapes, ids full of "!": the results must not depend on the prefilter or the memo.
TEST_F(StoreQueryTest, PrefilterKeepsResultsByteIdenticalOnAGeneratedStore)
{
    std::mt19937 random(20241208);
    const Names titles({"Meeting notes", "Call !2024-05-01 10:00", "Stand-up !! 09:15 [1,2,3]",
                        "Kelvin \xE2\x84\xAA", "\xC4\xB0stanbul trip", "Caf\xC3\xA9 ideas", "ÉTÉ plans",
                        "quote \" inside", "back\\slash", "!Groceries", "MEETING", "tab\there", "Straße",
                        "Kick-off"});
    Json notebooks = Json::array();
    for (int n = 0; n < 4; ++n) {
        const std::string notebook = "N" + std::to_string(n);
        Json sections = Json::array();
        for (int s = 0; s < 30; ++s) {
            const std::string name = "S" + std::to_string(s);
            sections.push_back(Section(name));
            Json pages = Json::array();
            const int count = static_cast<int>(random() % 12);
            for (int p = 0; p < count; ++p) {
                const std::string& title = titles[random() % std::size(titles)];
                pages.push_back(
                    Page(random() % 3 == 0 ? title : "Plain " + std::to_string(p),
                         "0-" + std::to_string(n) + "!" + std::to_string(s) + "-" + std::to_string(p)));
            }
            if (s % 7 == 3) {
                Folder({notebook, name}); // no page list
            } else {
                WritePages({notebook, name}, pages);
            }
        }
        notebooks.push_back(Container(notebook, {}, sections));
    }
    WriteHierarchy(notebooks);
    for (const std::string keyword : {"!", "meeting", "k", "i", "\\", "\"", "é", "ß", "\xE2\x84\xAA", "-"}) {
        for (const std::int64_t ignoreCase : {0, 1}) {
            Checked(keyword, ignoreCase);
        }
    }
    EXPECT_GT(Query().m_Count, 0);
}

} // namespace
} // namespace rz
