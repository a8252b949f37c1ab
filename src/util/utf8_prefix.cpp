// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/utf8_prefix.h"

namespace rz {

std::string Utf8Prefix(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end; // not inside a character
    }
    return std::string(text.substr(0, end));
}

} // namespace rz
