// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/section_choices.h"
#include "test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace rz {
namespace {

struct ChoicesCase
{
    const char* name;
    std::optional<std::string> file;   // none: no hierarchy stored yet
    std::vector<std::string> expected; // "id = path"
};

std::vector<std::string> Shown(const std::vector<TSectionChoice>& choices)
{
    std::vector<std::string> shown;
    for (const TSectionChoice& choice : choices)
        shown.push_back(choice.Id + " = " + choice.Path);
    return shown;
}

// A notebook's groups (nested ones first) come before its own sections; whatever is not a readable
// section is left out, and a file that does not read gives no choice at all.
TEST(SectionChoicesTest, TheStoredHierarchyBecomesTheChoicesInItsOwnOrder)
{
    const std::vector<ChoicesCase> cases = {
        {"nested groups before own sections",
         R"({"value": [{"displayName": "Home", "sections": [{"id": "s1", "displayName": "Errands"}],
             "sectionGroups": [{"displayName": "Garden", "sections": [{"id": "s2", "displayName": "Beds"}],
               "sectionGroups": [{"displayName": "Pond", "sections": [{"id": "s3", "displayName": "Fish"}]}]}]},
            {"displayName": "Work", "sections": [{"id": "s4", "displayName": "Calls"}]}]})",
         {"s3 = Home \u203a Garden \u203a Pond \u203a Fish", "s2 = Home \u203a Garden \u203a Beds",
          "s1 = Home \u203a Errands", "s4 = Work \u203a Calls"}},
        {"entries that are no section are left out",
         R"({"value": [7, {"displayName": "Home", "sectionGroups": ["x"],
             "sections": [{"displayName": "No id"}, "y", {"id": "", "displayName": "Empty id"},
                          {"id": "s1", "displayName": "Errands"}]}]})",
         {"s1 = Home \u203a Errands"}},
        {"no hierarchy stored yet", std::nullopt, {}},
        {"damaged file", R"({"value": [{"displayName": "Home", "sections": [{"id": "s1")", {}},
        {"not an object", "[1, 2]", {}},
        {"no notebooks", R"({"value": {"displayName": "Home"}})", {}},
    };
    for (const ChoicesCase& c : cases) {
        test::TempDir store;
        if (c.file)
            test::WriteFileBytes(store.File("notebookssections.json"), *c.file);
        EXPECT_EQ(Shown(MirroredSections(store.Path())), c.expected) << c.name;
    }
}

// A file past the bound is never read whole, whatever it holds.
TEST(SectionChoicesTest, AnOversizedHierarchyGivesNoChoices)
{
    test::TempDir store;
    const std::string path = store.File("notebookssections.json");
    test::WriteFileBytes(
        path, R"({"value": [{"displayName": "Home", "sections": [{"id": "s1", "displayName": "A"}]}]})");
    ASSERT_EQ(MirroredSections(store.Path()).size(), 1U);
    // Sparse: the zeros after the object take no room on disk.
    std::filesystem::resize_file(path, 64ULL * 1024 * 1024 + 1);
    EXPECT_TRUE(MirroredSections(store.Path()).empty());
}

} // namespace
} // namespace rz
