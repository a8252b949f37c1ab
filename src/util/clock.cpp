// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/clock.h"

#include <atomic>
#include <cassert>
#include <cstdlib>
#include <ctime>

namespace rz {
namespace {

std::atomic<bool> g_FakeActive{false};
std::atomic<double> g_FakeNow{0};
std::atomic<double> g_FakeMonotonic{0};

void AddTo(std::atomic<double>& value, double seconds)
{
    double current = value.load(std::memory_order_acquire);
    while (!value.compare_exchange_weak(current, current + seconds, std::memory_order_acq_rel)) {
    }
}

double ReadClock(clockid_t id)
{
    timespec now{};
    clock_gettime(id, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Seconds added to the system clock. Debug builds take them from RZ_CLOCK_OFFSET_SECONDS (whole
// seconds, 0 to ten years), read once: the end-to-end tests run the program as a child their fake
// clock cannot reach, and pass time by moving the emulator's clock and this offset together. Other
// builds never read the variable.
double ClockOffset()
{
#ifdef RZ_CLOCK_OFFSET_FROM_ENVIRONMENT
    static const double offset = [] {
        const char* text = std::getenv("RZ_CLOCK_OFFSET_SECONDS");
        if (text == nullptr) {
            return 0.0;
        }
        char* end = nullptr;
        const long long seconds = std::strtoll(text, &end, 10);
        constexpr long long kMax = 10LL * 366 * 24 * 3600;
        return end != text && *end == '\0' && seconds >= 0 && seconds <= kMax ? static_cast<double>(seconds)
                                                                              : 0.0;
    }();
    return offset;
#else
    return 0.0;
#endif
}

} // namespace

double SystemSecondsNow()
{
    if (g_FakeActive.load(std::memory_order_acquire)) {
        return g_FakeNow.load(std::memory_order_acquire);
    }
    return ReadClock(CLOCK_REALTIME) + ClockOffset();
}

double MonotonicSecondsNow()
{
    if (g_FakeActive.load(std::memory_order_acquire)) {
        return g_FakeMonotonic.load(std::memory_order_acquire);
    }
    // The boot-time clock never goes back and, unlike CLOCK_MONOTONIC, keeps counting while the
    // machine is suspended: the service's request windows and our back-offs run on real time.
    static const double offset = ReadClock(CLOCK_REALTIME) + ClockOffset() - ReadClock(CLOCK_BOOTTIME);
    return ReadClock(CLOCK_BOOTTIME) + offset;
}

ScopedFakeClock::ScopedFakeClock(double secondsSince1970)
{
    g_FakeNow.store(secondsSince1970, std::memory_order_release);
    g_FakeMonotonic.store(secondsSince1970, std::memory_order_release);
    [[maybe_unused]] const bool wasActive = g_FakeActive.exchange(true, std::memory_order_acq_rel);
    assert(!wasActive && "only one fake clock at a time");
}

ScopedFakeClock::~ScopedFakeClock()
{
    g_FakeActive.store(false, std::memory_order_release);
}

void ScopedFakeClock::Set(double secondsSince1970)
{
    const double before = g_FakeNow.exchange(secondsSince1970, std::memory_order_acq_rel);
    AddTo(g_FakeMonotonic, secondsSince1970 - before);
}

void ScopedFakeClock::SetWallClock(double secondsSince1970)
{
    g_FakeNow.store(secondsSince1970, std::memory_order_release);
}

void ScopedFakeClock::Advance(double seconds)
{
    AddTo(g_FakeNow, seconds);
    AddTo(g_FakeMonotonic, seconds);
}

double ScopedFakeClock::Now() const
{
    return g_FakeNow.load(std::memory_order_acquire);
}

} // namespace rz
