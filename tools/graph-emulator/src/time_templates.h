// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace emu {

// Expands every "{{...}}" in `text` against `now`, in local time. A template that
// cannot be read yields nullopt and a message in `error`; text without templates
// comes back unchanged.
std::optional<std::string> ExpandTemplates(std::string_view text, std::time_t now, std::string& error);

// Reads a time value of a fixture: a Graph timestamp ("2021-03-04T05:06:07Z",
// fraction allowed) or one template whose result is taken as an instant.
std::optional<std::time_t> ReadFixtureTime(std::string_view text, std::time_t now, std::string& error);

// Graph's UTC form, "yyyy-MM-ddTHH:mm:ssZ".
std::string GraphTime(std::time_t t);

} // namespace emu
