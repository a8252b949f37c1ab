// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/store_path.h"
#include "test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace rz {
namespace {

TEST(StorePathTest, DisplayNamesMapToRelativeFoldersInsideTheirParent)
{
    struct Case
    {
        std::string name;
        std::string folder;
    };
    const Case cases[] = {
        {"Inbox", "Inbox"},
        {"Work/Projects", "Work/Projects"},
        {"a//b/", "a/b"},
        {"..", "%2E%2E"},
        {"../../x", "%2E%2E/%2E%2E/x"},
        {"/etc", "etc"},
        {".", "%2E"},
        {"...", "..."},
        {"", "(unnamed)"},
        {"///", "(unnamed)"},
        {std::string("a\0b", 3), "a%00b"},
        {"tab\there", "tab%09here"},
        {"back\\slash", "back%5Cslash"},
        {"Übersicht ✓", "Übersicht ✓"},
        // The store's own file names.
        {"notebooks.json", "notebooks%2Ejson"},
        {"notebookssections.json", "notebookssections%2Ejson"},
        {"errorsections.json", "errorsections%2Ejson"},
        {"x/pages.json", "x/pages%2Ejson"},
        {"Notebooks.json", "Notebooks.json"},
    };
    for (const Case& c : cases) {
        const fs::path folder = StoreFolderName(c.name);
        EXPECT_EQ(folder.generic_string(), c.folder) << c.name;
        EXPECT_TRUE(folder.is_relative()) << c.name;
        EXPECT_TRUE(IsInsideStore("/store/acct", fs::path("/store/acct") / folder)) << c.name;
    }
}

TEST(StorePathTest, LongComponentsAreCutAtACharacterWithAStableHash)
{
    std::string longName;
    for (int i = 0; i < 150; ++i) {
        longName += "é"; // two bytes each: 300 bytes
    }
    const std::string folder = StoreFolderName(longName).string();
    EXPECT_LE(folder.size(), 255U);
    EXPECT_EQ(folder, StoreFolderName(longName).string());
    EXPECT_NE(folder, StoreFolderName(longName + "x").string());
    EXPECT_EQ(folder[folder.size() - 17], '~');
    const std::string kept = folder.substr(0, folder.size() - 17);
    EXPECT_EQ(kept.size() % 2, 0U) << "a character was split";
}

TEST(StorePathTest, SymbolicLinksLeavingTheStoreAreOutside)
{
    test::TempDir dir;
    const fs::path root = fs::path(dir.Path()) / "acct";
    const fs::path outside = fs::path(dir.Path()) / "outside";
    fs::create_directories(root / "Notebook");
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, root / "Notebook" / "link");

    EXPECT_TRUE(IsInsideStore(root, root));
    EXPECT_TRUE(IsInsideStore(root, root / "Notebook" / "new" / "pages.json"));
    EXPECT_FALSE(IsInsideStore(root, root / "Notebook" / "link"));
    EXPECT_FALSE(IsInsideStore(root, root / "Notebook" / "link" / "pages.json"));
    EXPECT_FALSE(IsInsideStore(root, root / ".." / "outside"));
    EXPECT_FALSE(IsInsideStore(root, fs::path(dir.Path()) / "acct2"));
}

TEST(StorePathTest, SharedNotebooksLieApartFromTheUsersOwnByOwnerAndId)
{
    const Json shared = {
        {"id", "1-nb"}, {"displayName", "Team Notes"}, {"sharedNotebook", {{"owner", "bob-id"}}}};
    const struct
    {
        Json item;
        fs::path folder;
    } cases[] = {
        {shared, fs::path("shared.notebooks") / "bob-id" / "1-nb"},
        {{{"id", "1-own"}, {"displayName", "Team Notes"}}, "Team Notes"},
        // The user's own notebook of the shared folder's name cannot reach it.
        {{{"id", "1-own"}, {"displayName", "shared.notebooks"}}, "shared%2Enotebooks"},
        {{{"id", "1-nb"}, {"displayName", "x"}, {"sharedNotebook", {{"owner", "../.."}}}},
         fs::path("shared.notebooks") / "(unnamed)"},
        {{{"id", "a/b"}, {"displayName", "x"}, {"sharedNotebook", {{"owner", "bob"}}}},
         fs::path("shared.notebooks") / "(unnamed)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ItemFolderName(c.item), c.folder) << c.item.dump();
    }
}

} // namespace
} // namespace rz
