#include "core/app_state.h"
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "test_support.h"
#include "util/json.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
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

Json Parsed(const std::string& text)
{
    return JsonTextToObject(std::string_view(text));
}

std::string ListText(const Json& items, const char* collection)
{
    return JsonObjectToText(Json{{"@odata.context", std::string(kContext) + collection}, {"value", items}});
}

// The titles of a query's result, in order.
std::vector<std::string> Titles(const MOneNoteRESTDB& query)
{
    const Json result = Parsed(query.m_ResultStr);
    std::vector<std::string> titles;
    for (const Json& page : result["value"]) {
        titles.push_back(page["title"]);
    }
    return titles;
}

using Names = std::vector<std::string>;

class StoreQueryTest : public ::testing::Test
{
protected:
    StoreQueryTest()
    {
        m_State.Paths.StoreRootPath = m_Dir.Path() + "/RESTDB";
        m_State.UserId.Set("0123456789abcdef");
        m_Account = m_Dir.Path() + "/RESTDB/0123456789abcdef";
        fs::create_directories(m_Account);
    }

    void WriteHierarchy(const Json& notebooks)
    {
        test::WriteFileBytes(m_Account + "/notebookssections.json", ListText(notebooks, "notebooks"));
    }

    // The folder the mirror keeps for an item reached through these display names.
    std::string Folder(const std::vector<std::string>& names, bool create = true)
    {
        fs::path folder = m_Account;
        for (const std::string& name : names) {
            folder /= StoreFolderName(name);
        }
        if (create) {
            fs::create_directories(folder);
        }
        return folder.string();
    }

    void WritePages(const std::vector<std::string>& names, const Json& pages)
    {
        test::WriteFileBytes(Folder(names) + "/pages.json", ListText(pages, "pages"));
    }

    MOneNoteRESTDB Query(const std::string& keyword = "!", std::int64_t ignoreCase = 1, bool prefilter = true)
    {
        MOneNoteRESTDB query(m_State);
        query.m_SkipUnmatchedPageLists = prefilter;
        query.Run(kQueryPagesByTitle, ignoreCase, 0, keyword, "");
        return query;
    }

    test::TempDir m_Dir;
    AppState m_State;
    std::string m_Account;
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

TEST_F(StoreQueryTest, TitleComparison)
{
    struct Case
    {
        std::string title;
        std::string keyword;
        std::int64_t ignoreCase;
        bool match;
    };
    const Case cases[] = {
        {"Meeting !Fri 10:00", "!", 1, true},
        {"Stand-up !! 09:15", "!", 1, true},
        {"xaby", "AB", 1, true},
        {"xaby", "AB", 0, false},
        {"xaby", "AB", 2, false}, // only 1 ignores case
        {"xABy", "AB", 0, true},
        {"STRASSE", "straße", 1, false}, // lower-case mapping, not case folding
        {"ÉTÉ", "été", 1, true},
        {"anything", "", 1, false},
        {"", "!", 1, false},
    };
    WriteHierarchy(Json::array({Container("N", {}, {Section("S")})}));
    for (const Case& c : cases) {
        WritePages({"N", "S"}, Json::array({Page(c.title)}));
        for (const bool prefilter : {true, false}) {
            const MOneNoteRESTDB query = Query(c.keyword, c.ignoreCase, prefilter);
            EXPECT_EQ(query.m_Count, c.match ? 1 : 0) << c.title << " / " << c.keyword << " " << prefilter;
        }
    }
}

TEST_F(StoreQueryTest, WalkOrderIsDepthFirstInDocumentOrder)
{
    // N1: group G (nested group H, then G's section) before N1's own section; then N2.
    WriteHierarchy(
        Json::array({Container("N1", {Container("G", {Container("H", {}, {Section("h")})}, {Section("g")})},
                               {Section("n1")}),
                     Container("N2", {}, {Section("n2")})}));
    WritePages({"N1", "n1"}, Json::array({Page("4 !")}));
    WritePages({"N1", "G", "g"}, Json::array({Page("2 !"), Page("3 !")}));
    WritePages({"N1", "G", "H", "h"}, Json::array({Page("1 !")}));
    WritePages({"N2", "n2"}, Json::array({Page("5 !")}));
    const MOneNoteRESTDB query = Query();
    EXPECT_EQ(query.m_Count, 5);
    EXPECT_EQ(Titles(query), (Names{"1 !", "2 !", "3 !", "4 !", "5 !"}));
}

TEST_F(StoreQueryTest, MissingFoldersEndTheirOwnListOnly)
{
    // Notebook "Gone" has no folder: the walk ends there, so "Late" is never read. In "Early",
    // group "G2" has no folder: "G3" after it is hidden, the notebook's own section is not.
    WriteHierarchy(Json::array(
        {Container("Early",
                   {Container("G1", {}, {Section("a")}), Container("G2", {}, {Section("b")}),
                    Container("G3", {}, {Section("c")})},
                   {Section("NoList"), Section("Refused"), Section("Missing"), Section("d"), Section("e")}),
         Container("Gone", {}, {Section("f")}), Container("Late", {}, {Section("g")})}));
    WritePages({"Early", "G1", "a"}, Json::array({Page("a !")}));
    WritePages({"Early", "G3", "c"}, Json::array({Page("c !")}));
    Folder({"Early", "NoList"});
    test::WriteFileBytes(Folder({"Early", "Refused"}) + "/pages.json", "{}");
    WritePages({"Early", "d"}, Json::array({Page("d !")}));
    WritePages({"Late", "g"}, Json::array({Page("g !")}));
    // "Missing" has no folder: "d" and "e" after it are hidden as well.
    EXPECT_EQ(Titles(Query()), (Names{"a !"}));

    // With "Missing" gone from the hierarchy the sections after the skipped ones are read.
    WriteHierarchy(Json::array({Container("Early", {Container("G1", {}, {Section("a")})},
                                          {Section("NoList"), Section("Refused"), Section("d")}),
                                Container("Late", {}, {Section("g")})}));
    EXPECT_EQ(Titles(Query()), (Names{"a !", "d !", "g !"}));
}

TEST_F(StoreQueryTest, StructuralSurprisesEndTheListConcerned)
{
    Json sections = Json::array({Section("a"), Json{{"displayName", 7}}, Section("b")});
    WriteHierarchy(Json::array(
        {Container("N", Json::array({"not an object", Container("G", {}, {Section("x")})}), sections),
         Json(42), Container("Late", {}, {Section("c")})}));
    WritePages({"N", "a"},
               Json::array({Page("1 !"), Json{{"id", "no title"}}, Json{{"title", nullptr}},
                            Json{{"title", 3}}, Page("2 !"), Json::array({"not a page"}), Page("3 !")}));
    WritePages({"N", "G", "x"}, Json::array({Page("hidden !")}));
    WritePages({"N", "b"}, Json::array({Page("hidden !")}));
    WritePages({"Late", "c"}, Json::array({Page("hidden !")}));
    const MOneNoteRESTDB query = Query();
    EXPECT_EQ(query.m_Count, 2);
    EXPECT_EQ(Titles(query), (Names{"1 !", "2 !"}));
}

TEST_F(StoreQueryTest, HostileNamesAreFoundWhereTheMirrorPutsThemAndNowhereElse)
{
    const std::string nul("a\0b", 3);
    const std::string longName(300, 'x');
    WriteHierarchy(Json::array({Container("..", {Container("/abs", {}, {Section(nul)})},
                                          {Section(longName), Section("a/b"), Section("")})}));
    WritePages({"..", "/abs", nul}, Json::array({Page("nul !")}));
    WritePages({"..", longName}, Json::array({Page("long !")}));
    WritePages({"..", "a/b"}, Json::array({Page("nested !")}));
    WritePages({"..", ""}, Json::array({Page("unnamed !")}));
    // Where the names would lead if used unchanged: the store root and the account folder.
    test::WriteFileBytes(m_Dir.Path() + "/RESTDB/pages.json",
                         ListText(Json::array({Page("outside !")}), "p"));
    test::WriteFileBytes(m_Account + "/pages.json", ListText(Json::array({Page("outside !")}), "p"));

    EXPECT_EQ(Titles(Query()), (Names{"nul !", "long !", "nested !", "unnamed !"}));
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
    TStoreQueryMemo memo;
    const auto same = [&](const std::string& keyword, std::int64_t ignoreCase) {
        MOneNoteRESTDB remembered(m_State, &memo);
        remembered.Run(kQueryPagesByTitle, ignoreCase, 0, keyword, "");
        const MOneNoteRESTDB fresh = Query(keyword, ignoreCase);
        EXPECT_EQ(remembered.m_ResultStr, fresh.m_ResultStr) << keyword;
        EXPECT_EQ(remembered.m_Count, fresh.m_Count) << keyword;
        return fresh.m_Count;
    };
    EXPECT_EQ(same("!", 1), 2);
    EXPECT_EQ(memo.PageListCount(), 2U) << "only lists that may match are kept";
    EXPECT_EQ(same("!", 1), 2);

    WritePages({"N", "A"}, Json::array({Page("9 !"), Page("plain")})); // same size, new title
    EXPECT_EQ(same("!", 1), 2);
    EXPECT_EQ(same("PLAIN", 1), 2);
    EXPECT_EQ(same("PLAIN", 0), 0);
    EXPECT_EQ(same("!", 1), 2);

    WriteHierarchy(Json::array({Container("N", {}, {Section("B"), Section("A")})}));
    EXPECT_EQ(same("!", 1), 2);
    WriteHierarchy(Json::array({Container("N", {}, {Section("A")})}));
    EXPECT_EQ(same("!", 1), 1);
    EXPECT_EQ(memo.PageListCount(), 1U) << "a section that left the walk leaves the memo";
    test::WriteFileBytes(m_Account + "/notebookssections.json", "{\"@odata.context\":\"x\",\"value\":[");
    same("!", 1);
}

// The prefilter may pass texts that hold no match, never skip one that does.
TEST(PageListMayMatchTest, NeverSkipsATitleTheComparisonMatches)
{
    struct Case
    {
        std::string text;
        std::string keyword;
        bool ignoreCase;
        bool mayMatch;
    };
    const Case cases[] = {
        {R"({"value":[{"id":"0-a!1","self":"https://x/pages/0-a!1","title":"Plain"}]})", "!", true, false},
        {R"({"value":[{"title":"Call !10:00"}]})", "!", true, true},
        {R"({"value":[{"title":"Call \u0021 10:00"}]})", "!", true, true}, // only the parser knows
        {"{\"value\":[{\"title\" \r\n:\t \"x!\"}]}", "!", true, true},
        {R"({"value":[{"title":"x"},{"note":"title","title":"y"}]})", "!", true, false},
        {R"({"value":[{"title":"AB"}]})", "ab", false, false},
        {R"({"value":[{"title":"AB"}]})", "ab", true, true},
        {"{\"value\":[{\"title\":\"\xE2\x84\xAA\"}]}", "k", true, true},       // Kelvin sign → "k"
        {"{\"value\":[{\"title\":\"\xC4\xB0x\"}]}", "ix", true, false},        // "İx" → "i̇x"
        {"{\"value\":[{\"title\":\"\xC4\xB0\"}]}", "i", true, true},           // "İ" → "i̇"
        {"{\"value\":[{\"title\":\"\xC3\x89t\xC3\xA9\"}]}", "éT", true, true}, // "Été"
        {"{\"value\":[{\"title\":\"\xC3\x89t\xC3\xA9\"}]}", "éT", false, false},
        {R"({"value":[{"title":"cut !)", "!", true, true},
        {R"({"value":[{"title":"cut)", "!", true, true},
        {R"({"value":[{"title":null,"x":"!"}]})", "!", true, false},
        {R"({"value":[{"title":"!"}]})", "", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageListMayMatch(c.text, c.keyword, c.ignoreCase), c.mayMatch)
            << c.text << " / " << c.keyword;
    }
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
            const std::string upper(1, static_cast<char>(std::toupper(unit)));
            EXPECT_TRUE(PageListMayMatch(text, std::string(1, static_cast<char>(unit)), true))
                << std::hex << c;
            EXPECT_TRUE(PageListMayMatch(text, upper, true)) << std::hex << c;
        }
    }
    EXPECT_GT(asciiSources, 0);
}

// Many sections of realistic pages, titles with and without the keyword in various cases and
// escapes, ids full of "!": the results must not depend on the prefilter.
TEST_F(StoreQueryTest, PrefilterKeepsResultsByteIdenticalOnAGeneratedStore)
{
    std::mt19937 random(20241208);
    const std::string titles[] = {"Meeting notes",
                                  "Call !2024-05-01 10:00",
                                  "Stand-up !! 09:15 [1,2,3]",
                                  "Kelvin \xE2\x84\xAA",
                                  "\xC4\xB0stanbul trip",
                                  "Caf\xC3\xA9 ideas",
                                  "ÉTÉ plans",
                                  "quote \" inside",
                                  "back\\slash",
                                  "!Groceries",
                                  "MEETING",
                                  "tab\there",
                                  "Straße",
                                  "Kick-off"};
    Json notebooks = Json::array();
    for (int n = 0; n < 4; ++n) {
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
                Folder({"N" + std::to_string(n), name}); // no page list
            } else {
                WritePages({"N" + std::to_string(n), name}, pages);
            }
        }
        notebooks.push_back(Container("N" + std::to_string(n), {}, sections));
    }
    WriteHierarchy(notebooks);
    for (const std::string keyword : {"!", "meeting", "k", "i", "\\", "\"", "é", "ß", "\xE2\x84\xAA", "-"}) {
        for (const std::int64_t ignoreCase : {0, 1}) {
            const MOneNoteRESTDB with = Query(keyword, ignoreCase, true);
            const MOneNoteRESTDB without = Query(keyword, ignoreCase, false);
            EXPECT_EQ(with.m_ResultStr, without.m_ResultStr) << keyword << ignoreCase;
            EXPECT_EQ(with.m_Count, without.m_Count) << keyword << ignoreCase;
        }
    }
    EXPECT_GT(Query("!", 1, true).m_Count, 0);
}

} // namespace
} // namespace rz
