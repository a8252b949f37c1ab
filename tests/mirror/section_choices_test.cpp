// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/section_choices.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

// Groups (nested ones first) come before a notebook's own sections; what does not read is left out.
TEST(SectionChoicesTest, TheStoredHierarchyBecomesTheChoicesInItsOwnOrder)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"({"value": [7, {"displayName": "Home", "sections": [{"id": "s1", "displayName": "A"}, {"id": ""}],
          "sectionGroups": ["x", {"displayName": "G", "sectionGroups": [{"displayName": "H", "sections":
          [{"id": "s3", "displayName": "C"}]}], "sections": [{"id": "s2", "displayName": "B"}]}]}]})",
         "s3 Home \u203a G \u203a H \u203a C|s2 Home \u203a G \u203a B|s1 Home \u203a A|"},
        {R"({"value": [{"displayName": "Home", "sections": [{"id": "s1")", ""}};
    for (const auto& [file, expected] : cases) {
        test::TempDir store;
        test::WriteFileBytes(store.File("notebookssections.json"), file);
        std::string shown;
        for (const TSectionChoice& choice : MirroredSections(store.Path())) {
            shown += choice.Id + " " + choice.Path + "|";
        }
        EXPECT_EQ(shown, expected) << file;
    }
}

} // namespace
} // namespace rz
