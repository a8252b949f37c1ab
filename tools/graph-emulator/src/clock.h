// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <ctime>

namespace emu {

// The emulator's time: the machine clock plus an offset that only grows, set
// through the administration interface so tests can pass an hour in a call.
// Everything that depends on time (limit windows, token expiry, templates in
// admin calls, change stamps, error dates) reads it here. One account per
// process, so one clock per process.
class Clock
{
public:
    static std::time_t Now();
    // The monotonic clock plus the same offset, for the limit windows.
    static std::chrono::steady_clock::time_point Tick();
    static long OffsetSeconds();
    // Adds `seconds` (0 or more) to the offset.
    static void Advance(long seconds);
};

} // namespace emu
