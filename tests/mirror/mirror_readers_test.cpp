// SPDX-License-Identifier: GPL-3.0-or-later
// The agent's readers take every shape Microsoft's metadata allows for an answer: each property of
// a type absent, each nullable one null, members the agent does not know present, and the
// reference pages' own shapes. Starting from the emulator's answers, one variant per property.
#include "graph_types.h"
#include "mirror/shared_notebooks.h"
#include "mirror_harness.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

using test::Container;
using test::MirrorHarness;
using test::Section;

constexpr const char* kHierarchy =
    "/onenote/"
    "notebooks?expand=sections,sectionGroups(expand=sections,sectionGroups(levels=max;expand=sections))";

// Copies of `item`, an object of `type`: per property the description gives, one without it and
// (where the metadata allows) one with it null; and one with a member the agent does not know.
std::vector<Json> Variants(const Json& item, const std::string& type, const test::GraphTypes& types)
{
    std::vector<Json> out;
    for (const auto& [name, property] : types.Description()["types"][type]["properties"].items()) {
        Json without = item;
        without.erase(name);
        out.push_back(std::move(without));
        if (property["nullable"].get<bool>()) {
            Json null = item;
            null[name] = nullptr;
            out.push_back(std::move(null));
        }
    }
    Json unknown = item;
    unknown["someFutureMember"] = {{"kind", "unknown"}, {"list", {1, 2}}};
    out.push_back(std::move(unknown));
    return out;
}

// Variants keep their own id (a missing id names no item, and the metadata never leaves it out of
// an entity); names stay apart so that folders do.
void Distinct(Json& variant, const std::string& prefix, int n, const char* nameMember)
{
    variant["id"] = prefix + std::to_string(n);
    if (variant.contains(nameMember) && variant[nameMember].is_string()) {
        variant[nameMember] = variant[nameMember].get<std::string>() + " " + std::to_string(n);
    }
}

Json Notebooks()
{
    return Json::array({Container(
        "Work", "nb-work", Json::array({Section("Inbox", "sec-inbox", 2), Section("Later", "sec-later")}))});
}

TEST(MirrorReadersTest, EveryHierarchyShapeTheMetadataAllowsIsStored)
{
    const test::GraphTypes types;
    ASSERT_TRUE(types.Loaded());
    MirrorHarness mirror(test::kWorkUserId, Notebooks());
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    const Json answer = Json::parse(mirror.GraphAnswer(kHierarchy));
    Json notebook = answer["value"][0];
    const Json section = notebook["sections"][0];
    Json variants = Json::array();
    std::vector<std::string> ids;
    int n = 0;
    Json bare = notebook;
    bare["sections"] = Json::array();
    bare["sectionGroups"] = Json::array();
    for (Json variant : Variants(bare, "notebook", types)) {
        Distinct(variant, "nb-v", ++n, "displayName");
        ids.push_back(variant["id"]);
        variants.push_back(std::move(variant));
    }
    notebook["sections"] = Json::array();
    for (Json variant : Variants(section, "onenoteSection", types)) {
        Distinct(variant, "sec-v", ++n, "displayName");
        ids.push_back(variant["id"]);
        notebook["sections"].push_back(std::move(variant));
    }
    variants.push_back(notebook);
    Json changed = answer;
    changed["value"] = variants;
    ASSERT_TRUE(mirror.Fault({{"route", "hierarchy"},
                              {"status", 200},
                              {"contentType", "application/json"},
                              {"body", changed.dump()}}));
    mirror.Worker().RunCycle();
    const Json stored =
        JsonTextToObject(std::string_view(mirror.StoreText("notebookssections.json").value_or("{}")));
    const THierarchyIds kept = HierarchyIds(stored);
    for (const std::string& id : ids) {
        EXPECT_TRUE(kept.contains(id)) << id;
    }
}

TEST(MirrorReadersTest, EveryPageShapeTheMetadataAllowsIsListed)
{
    const test::GraphTypes types;
    ASSERT_TRUE(types.Loaded());
    MirrorHarness mirror(test::kPersonalUserId, Notebooks());
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    const Json answer = Json::parse(mirror.PagesAnswer("sec-inbox"));
    Json changed = answer;
    changed["value"] = Json::array();
    std::vector<std::string> ids;
    int n = 0;
    for (Json variant : Variants(answer["value"][0], "onenotePage", types)) {
        Distinct(variant, "pg-v", ++n, "title");
        ids.push_back(variant["id"]);
        changed["value"].push_back(std::move(variant));
    }
    ASSERT_TRUE(mirror.Fault({{"route", "pages"},
                              {"match", "sec-inbox"},
                              {"count", 5},
                              {"status", 200},
                              {"contentType", "application/json"},
                              {"body", changed.dump()}}));
    mirror.Worker().RunCycle();
    const Json stored =
        JsonTextToObject(std::string_view(mirror.StoreText("Work/Inbox/pages.json").value_or("{}")));
    std::set<std::string> listed;
    for (const Json& page : stored.value("value", Json::array())) {
        listed.insert(JsonText(page, "id"));
    }
    for (const std::string& id : ids) {
        EXPECT_TRUE(listed.contains(id)) << id;
    }
}

// GetNotebookFromWebUrl in the metadata's shape and in the reference page's, every variant: the
// notebook is found (addresses missing are taken from "self"), its name from what remains.
TEST(MirrorReadersTest, EveryNotebookLookUpShapeTheMetadataAllowsIsRead)
{
    const test::GraphTypes types;
    ASSERT_TRUE(types.Loaded());
    const std::string root = "https://graph.microsoft.com";
    const std::string self = root + "/v1.0/users/bob/onenote/notebooks/1-a";
    const Json identity = {{"user", {{"id", "bob"}, {"displayName", "Bob"}}}};
    const Json links = {
        {"oneNoteClientUrl", {{"href", "onenote:https://contoso-my.sharepoint.com/personal/bob/N"}}},
        {"oneNoteWebUrl", {{"href", "https://contoso-my.sharepoint.com/personal/bob/N"}}}};
    const Json copyModel = {{"id", "1-a"},
                            {"self", self},
                            {"name", "Team"},
                            {"createdBy", "Bob"},
                            {"createdByIdentity", identity},
                            {"createdTime", "2024-01-02T03:04:05Z"},
                            {"lastModifiedBy", "Bob"},
                            {"lastModifiedByIdentity", identity},
                            {"lastModifiedTime", "2024-01-02T03:04:05Z"},
                            {"isDefault", false},
                            {"isShared", true},
                            {"userRole", "Contributor"},
                            {"sectionsUrl", self + "/sections"},
                            {"sectionGroupsUrl", self + "/sectionGroups"},
                            {"links", links}};
    // The reference page's example answer: a notebook.
    const Json notebook = {{"id", "1-a"},
                           {"self", self},
                           {"createdDateTime", "2024-01-02T03:04:05Z"},
                           {"displayName", "Team"},
                           {"createdBy", identity},
                           {"lastModifiedBy", identity},
                           {"lastModifiedDateTime", "2024-01-02T03:04:05Z"},
                           {"isDefault", false},
                           {"isShared", true},
                           {"userRole", "Contributor"},
                           {"sectionsUrl", self + "/sections"},
                           {"sectionGroupsUrl", self + "/sectionGroups"},
                           {"links", links}};
    ASSERT_TRUE(types.Check(copyModel, "CopyNotebookModel").empty());
    ASSERT_TRUE(types.Check(notebook, "notebook").empty());
    for (const auto& [shape, type] :
         {std::pair{copyModel, "CopyNotebookModel"}, std::pair{notebook, "notebook"}}) {
        for (const Json& variant : Variants(shape, type, types)) {
            if (!variant.contains("id") || variant["id"].is_null() ||
                (variant.value("self", Json()).is_null() &&
                 (!variant.contains("sectionsUrl") || variant["sectionsUrl"].is_null() ||
                  !variant.contains("sectionGroupsUrl") || variant["sectionGroupsUrl"].is_null()))) {
                continue; // nothing names the notebook or where its sections are
            }
            const auto found = SharedNotebookFromAnswer(variant.dump(), root,
                                                        links["oneNoteWebUrl"]["href"].get<std::string>());
            ASSERT_TRUE(found.has_value()) << variant.dump();
            EXPECT_EQ(found->Base, root + "/v1.0/users/bob");
            EXPECT_FALSE(found->Name.empty()) << variant.dump();
        }
    }
}

} // namespace
} // namespace rz
