// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/instance_lock.h"
#include "test_support.h"

#include <csignal>
#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace rz {
namespace {

using Outcome = TInstanceLock::Outcome;

TEST(InstanceLockTest, SecondHolderIsTurnedAwayUntilTheFirstLetsGo)
{
    test::TempDir dir;
    TInstanceLock first;
    TInstanceLock second;
    ASSERT_EQ(first.Acquire(dir.Path()), Outcome::Acquired);
    EXPECT_EQ(TInstanceLock::HolderPid(dir.Path()), ::getpid());
    EXPECT_EQ(second.Acquire(dir.Path()), Outcome::HeldByOther);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.Acquire(dir.Path()), Outcome::Acquired);
}

TEST(InstanceLockTest, LockOfAKilledProcessDoesNotBlock)
{
    test::TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TInstanceLock lock;
        const char result = lock.Acquire(dir.Path()) == Outcome::Acquired ? 'y' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &result, 1);
        ::pause();
        ::_exit(0);
    }
    char result = 0;
    ASSERT_EQ(::read(ready[0], &result, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(result, 'y');
    TInstanceLock mine;
    EXPECT_EQ(mine.Acquire(dir.Path()), Outcome::HeldByOther);
    EXPECT_EQ(TInstanceLock::HolderPid(dir.Path()), child);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // The file and the dead holder's id are still there; neither blocks.
    EXPECT_EQ(TInstanceLock::HolderPid(dir.Path()), child);
    EXPECT_EQ(mine.Acquire(dir.Path()), Outcome::Acquired);
    EXPECT_EQ(TInstanceLock::HolderPid(dir.Path()), ::getpid());
}

TEST(InstanceLockTest, MissingFolderOrPlantedLinkIsUnavailable)
{
    test::TempDir dir;
    TInstanceLock lock;
    EXPECT_EQ(lock.Acquire(dir.File("missing")), Outcome::Unavailable);
    EXPECT_EQ(TInstanceLock::HolderPid(dir.File("missing")), 0);

    test::WriteFileBytes(dir.File("elsewhere"), "keep");
    ASSERT_EQ(::symlink(dir.File("elsewhere").c_str(), dir.File(kInstanceLockFileName).c_str()), 0);
    EXPECT_EQ(lock.Acquire(dir.Path()), Outcome::Unavailable);
    EXPECT_EQ(test::ReadFileBytes(dir.File("elsewhere")), "keep");
}

TEST(InstanceLockTest, BusNameIsValidAndOnePerFolder)
{
    const std::string name = InstanceBusName("/home/someone/.local/share/Tidewell/RedoZevuviva");
    EXPECT_EQ(name, InstanceBusName("/home/someone/.local/share/Tidewell/RedoZevuviva"));
    EXPECT_NE(name, InstanceBusName("/tmp/test/Tidewell/RedoZevuviva"));
    // Bus name rules: dot-separated elements of [A-Za-z0-9_-], none starting with a digit.
    EXPECT_TRUE(
        std::regex_match(name, std::regex(R"(([A-Za-z_-][A-Za-z0-9_-]*)(\.[A-Za-z_-][A-Za-z0-9_-]*)+)")))
        << name;
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(InstanceObjectPath("example.tidewell.Redo-Zevuviva.d01"),
              "/example/tidewell/Redo_Zevuviva/d01");
}

} // namespace
} // namespace rz
