// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"
#include "util/files.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rz {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

mode_t ModeOf(const std::string& path)
{
    struct stat info = {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

size_t EntryCount(const std::string& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

TEST(FilesTest, WriteAndReadBack)
{
    TempDir dir;
    const std::string path = dir.File("notes.json");
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(ReadTextFile(path).has_value());
    ASSERT_TRUE(WriteTextFile(path, "{\"a\":\"ü\"}"));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadTextFile(path), "{\"a\":\"ü\"}");
    ASSERT_TRUE(WriteTextFile(path, ""));
    EXPECT_EQ(ReadTextFile(path), "");
    EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary file may stay behind";
}

TEST(FilesTest, InvalidUtf8ReadsAsNothing)
{
    TempDir dir;
    WriteFileBytes(dir.File("bad"), "ok\xC3");
    EXPECT_FALSE(ReadTextFile(dir.File("bad")).has_value());
}

TEST(FilesTest, NewFilesArePrivateAndStricterModesStay)
{
    TempDir dir;
    const std::string path = dir.File("velaapp.plist");
    ASSERT_TRUE(WriteTextFile(path, "x"));
    EXPECT_EQ(ModeOf(path), 0600u);

    ::chmod(path.c_str(), 0644);
    ASSERT_TRUE(WriteTextFile(path, "y"));
    EXPECT_EQ(ModeOf(path), 0600u) << "a looser mode is tightened";

    ::chmod(path.c_str(), 0400);
    ASSERT_TRUE(WriteTextFile(path, "z"));
    EXPECT_EQ(ModeOf(path), 0400u) << "a stricter mode is kept";
}

TEST(FilesTest, FailedWriteLeavesOldContentWhole)
{
    TempDir dir;
    // The target is a folder: the rename fails after the temporary file was written.
    const std::string folderTarget = dir.File("target");
    ASSERT_TRUE(CreateFolder(folderTarget));
    EXPECT_FALSE(WriteTextFile(folderTarget, "new"));
    EXPECT_EQ(EntryCount(dir.Path()), 1u) << "the temporary file is removed";

    // The folder does not exist: nothing is created.
    EXPECT_FALSE(WriteTextFile(dir.File("missing/file"), "new"));
    EXPECT_FALSE(WriteTextFile("", "new"));

    // The folder cannot be written: the old file stays as it was.
    if (!RunningAsRoot()) {
        const std::string locked = dir.File("locked");
        ASSERT_TRUE(CreateFolder(locked));
        ASSERT_TRUE(WriteTextFile(locked + "/f", "old"));
        ::chmod(locked.c_str(), 0500);
        EXPECT_FALSE(WriteTextFile(locked + "/f", "new"));
        EXPECT_EQ(ReadFileBytes(locked + "/f"), "old");
    }
}

TEST(FilesTest, CreateFolderMakesPrivateParents)
{
    TempDir dir;
    const std::string deep = dir.File("a/b/c");
    ASSERT_TRUE(CreateFolder(deep));
    EXPECT_TRUE(FileExists(deep));
    EXPECT_EQ(ModeOf(dir.File("a")), 0700u);
    EXPECT_EQ(ModeOf(deep), 0700u);
    EXPECT_TRUE(CreateFolder(deep)) << "an existing folder is no error";
    EXPECT_TRUE(CreateFolder(deep + "/")) << "a trailing slash is fine";
    WriteFileBytes(dir.File("plain"), "x");
    EXPECT_FALSE(CreateFolder(dir.File("plain/sub")));
}

TEST(FilesTest, DeleteFolderRemovesEverythingButNotThroughLinks)
{
    TempDir dir;
    TempDir outside;
    WriteFileBytes(outside.File("keep"), "precious");
    const std::string root = dir.File("store");
    ASSERT_TRUE(CreateFolder(root + "/nb/sec"));
    WriteFileBytes(root + "/nb/sec/pages.json", "[]");
    WriteFileBytes(root + "/notebooks.json", "{}");
    std::filesystem::create_directory_symlink(outside.Path(), root + "/link");

    EXPECT_TRUE(DeleteFolderContents(root));
    EXPECT_TRUE(FileExists(root));
    EXPECT_EQ(EntryCount(root), 0u);
    EXPECT_EQ(ReadFileBytes(outside.File("keep")), "precious") << "a link is removed, not followed";

    EXPECT_TRUE(DeleteFolder(root));
    EXPECT_FALSE(FileExists(root));
    EXPECT_TRUE(DeleteFolder(root)) << "nothing at the path is success";
}

// Makes a file undeletable for every user, root included, for the test's scope.
class ImmutableFile
{
public:
    explicit ImmutableFile(const std::string& path) : m_Path(path) { m_Set = SetFlag(true); }
    ~ImmutableFile()
    {
        if (m_Set) {
            SetFlag(false);
        }
    }
    bool Active() const { return m_Set; }

private:
    bool SetFlag(bool on) const
    {
        const int fd = ::open(m_Path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
    }
    std::string m_Path;
    bool m_Set = false;
};

TEST(FilesTest, DeleteFolderWithUndeletableEntryFailsAndLeavesFolder)
{
    TempDir dir;
    const std::string root = dir.File("store");
    ASSERT_TRUE(CreateFolder(root + "/a"));
    WriteFileBytes(root + "/a/pages.json", "[]");
    WriteFileBytes(root + "/z.json", "{}");
    ImmutableFile pinned(root + "/a/pages.json");
    if (!pinned.Active()) {
        GTEST_SKIP() << "the file system cannot pin a file";
    }
    EXPECT_FALSE(DeleteFolder(root));
    EXPECT_TRUE(FileExists(root + "/a/pages.json"));
    EXPECT_TRUE(FileExists(root));
}

TEST(FilesTest, DeleteFolderOfAFileOrNothing)
{
    TempDir dir;
    WriteFileBytes(dir.File("file"), "x");
    EXPECT_FALSE(DeleteFolder(dir.File("file")));
    EXPECT_TRUE(FileExists(dir.File("file")));
    EXPECT_FALSE(DeleteFolderContents(dir.File("missing")));
}

TEST(FilesTest, OpenUrlStripsBracesOnly)
{
    std::string opened;
    SetUrlOpener([&opened](const std::string& url) { opened = url; });
    OpenUrl("onenote:https://d.docs.live.net/x/Notes.one#T&section-id={A-1}&page-id={B-2}&end");
    EXPECT_EQ(opened, "onenote:https://d.docs.live.net/x/Notes.one#T&section-id=A-1&page-id=B-2&end");
    OpenUrl("https://example.invalid/a%20b?c=d");
    EXPECT_EQ(opened, "https://example.invalid/a%20b?c=d");
    SetUrlOpener(nullptr);
    EXPECT_NO_FATAL_FAILURE(OpenUrl("{x}"));
}

} // namespace
} // namespace rz
