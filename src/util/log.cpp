// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace rz {
namespace {

std::atomic<int> g_Level{static_cast<int>(LogLevel::Info)};
std::mutex g_WriteMutex;

const char* LevelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Info:
        return "info";
    case LogLevel::Warning:
        return "warning";
    case LogLevel::Error:
        return "error";
    }
    return "?";
}

} // namespace

void SetLogLevel(LogLevel level)
{
    g_Level.store(static_cast<int>(level), std::memory_order_relaxed);
}

bool LogEnabled(LogLevel level)
{
    return static_cast<int>(level) >= g_Level.load(std::memory_order_relaxed);
}

void Log(LogLevel level, std::string_view message)
{
    if (!LogEnabled(level)) {
        return;
    }
    std::lock_guard lock(g_WriteMutex);
    std::fprintf(stderr, "redozevuviva [%s] %.*s\n", LevelName(level), static_cast<int>(message.size()),
                 message.data());
}

} // namespace rz
