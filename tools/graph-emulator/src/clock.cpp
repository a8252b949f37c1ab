// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"

#include <atomic>

namespace emu {
namespace {

std::atomic<long> g_offsetSeconds{0};

} // namespace

std::time_t Clock::Now()
{
    return std::time(nullptr) + static_cast<std::time_t>(g_offsetSeconds.load());
}

std::chrono::steady_clock::time_point Clock::Tick()
{
    return std::chrono::steady_clock::now() + std::chrono::seconds(g_offsetSeconds.load());
}

long Clock::OffsetSeconds()
{
    return g_offsetSeconds.load();
}

void Clock::Advance(long seconds)
{
    g_offsetSeconds.fetch_add(seconds);
}

} // namespace emu
