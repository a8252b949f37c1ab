// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <thread>

namespace rz {
namespace {

// Two threads each run many open, write-own-key, save sequences on one file; every write must
// survive, which only holds when each sequence is exclusive.
TEST(SettingsStressTest, ConcurrentTransactionsLoseNoWrite)
{
    test::TempDir dir;
    const std::string path = dir.File("velaapp.plist");
    constexpr int kRounds = 1000;
    const auto worker = [&path](const std::string& prefix) {
        for (int i = 0; i < kRounds; ++i) {
            MConfigTransaction settings(path);
            settings->WriteValueValueInt(prefix + std::to_string(i), i);
            settings->WriteValueValueInt(prefix + "last", i);
            settings->Save();
        }
    };
    std::thread a(worker, "a");
    std::thread b(worker, "b");
    a.join();
    b.join();

    MConfig result(path);
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(result.ReadValueDefInt("a" + std::to_string(i), -1), i);
        ASSERT_EQ(result.ReadValueDefInt("b" + std::to_string(i), -1), i);
    }
    EXPECT_EQ(result.ReadValueDefInt("alast", -1), kRounds - 1);
    EXPECT_EQ(result.ReadValueDefInt("blast", -1), kRounds - 1);
}

} // namespace
} // namespace rz
