// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rz {

// The longest start of a UTF-8 text of at most `maxBytes` bytes that ends between characters; the
// whole text when it is no longer.
std::string Utf8Prefix(std::string_view text, std::size_t maxBytes);

} // namespace rz
