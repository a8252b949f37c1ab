// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/clock.h"

#include <atomic>
#include <cassert>
#include <ctime>

namespace rz {
namespace {

std::atomic<bool> g_FakeActive{false};
std::atomic<double> g_FakeNow{0};

} // namespace

double SystemSecondsNow()
{
    if (g_FakeActive.load(std::memory_order_acquire)) {
        return g_FakeNow.load(std::memory_order_acquire);
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

ScopedFakeClock::ScopedFakeClock(double secondsSince1970)
{
    g_FakeNow.store(secondsSince1970, std::memory_order_release);
    [[maybe_unused]] const bool wasActive = g_FakeActive.exchange(true, std::memory_order_acq_rel);
    assert(!wasActive && "only one fake clock at a time");
}

ScopedFakeClock::~ScopedFakeClock()
{
    g_FakeActive.store(false, std::memory_order_release);
}

void ScopedFakeClock::Set(double secondsSince1970)
{
    g_FakeNow.store(secondsSince1970, std::memory_order_release);
}

void ScopedFakeClock::Advance(double seconds)
{
    double current = g_FakeNow.load(std::memory_order_acquire);
    while (!g_FakeNow.compare_exchange_weak(current, current + seconds, std::memory_order_acq_rel)) {
    }
}

double ScopedFakeClock::Now() const
{
    return g_FakeNow.load(std::memory_order_acquire);
}

} // namespace rz
