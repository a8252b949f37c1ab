// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/http.h"
#include "account/sign_in.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool IsFormSafe(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '%';
}

} // namespace

// Input: any text, used as a form value, an address and a redirect address.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // Form values must come back exactly, through characters that need no escaping themselves.
    const std::string form = rz::FormEncode(text);
    for (const char c : form) {
        if (!IsFormSafe(c)) {
            __builtin_trap();
        }
    }
    if (rz::PercentDecode(form) != text) {
        __builtin_trap();
    }

    // An escaped address holds no blank, control or non-ASCII byte after its authority, and
    // decodes back to what was built when the text had no escapes of its own.
    const std::string address = "http://h/" + std::string(text);
    const std::string escaped = rz::EscapeAddress(address);
    for (const char c : escaped) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '"') {
            __builtin_trap();
        }
    }
    if (text.find('%') == std::string_view::npos && rz::PercentDecode(escaped) != address) {
        __builtin_trap();
    }

    if (rz::GetFieldValueFromURL(text, "code").size() > text.size() ||
        rz::AuthorizationCodeFromURL(text).size() > text.size()) {
        __builtin_trap();
    }
    rz::UserNameFromURL(text);
    return 0;
}
