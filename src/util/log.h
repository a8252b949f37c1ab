// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace rz {

enum class LogLevel { Debug = 0, Info = 1, Warning = 2, Error = 3 };

// Messages at or above the level go to stderr; the default is Info, so debug lines stay silent.
void SetLogLevel(LogLevel level);
bool LogEnabled(LogLevel level);
// Never pass tokens, codes or other secrets.
void Log(LogLevel level, std::string_view message);
inline void LogDebug(std::string_view message)
{
    Log(LogLevel::Debug, message);
}
inline void LogInfo(std::string_view message)
{
    Log(LogLevel::Info, message);
}
inline void LogWarning(std::string_view message)
{
    Log(LogLevel::Warning, message);
}

} // namespace rz
