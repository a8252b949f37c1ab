// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/json.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const rz::Json value = rz::JsonTextToObject(text);
    if (!value.is_object() && !value.is_array()) {
        __builtin_trap();
    }
    // Serialised text must parse back to the same value.
    const std::string printed = rz::JsonObjectToText(value);
    if (!printed.empty() && rz::JsonTextToObject(std::string_view(printed)) != value) {
        __builtin_trap();
    }
    rz::IsGraphListResponse(text);
    rz::IsGraphErrorResponse(text);
    return 0;
}
