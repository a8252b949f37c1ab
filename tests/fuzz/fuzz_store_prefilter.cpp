// SPDX-License-Identifier: GPL-3.0-or-later
// The store query skips the parse of a page list its prefilter rules out. The prefilter must never
// rule out a list in which the real comparison finds a title: any text, any keyword, either case
// mode. The first byte picks the case mode and the keyword's length, the rest is keyword then text.
#include "mirror/store_query.h"
#include "state/app_state.h"
#include "util/json.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const bool ignoreCase = (data[0] & 0x80U) != 0;
    const std::size_t keywordLength = 1 + (data[0] & 0x07U);
    if (size < 1 + keywordLength) {
        return 0;
    }
    const std::string_view keyword(reinterpret_cast<const char*>(data + 1), keywordLength);
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + keywordLength),
                                size - 1 - keywordLength);

    const rz::Json pageList = rz::JsonTextToObject(text);
    if (!pageList.is_object()) {
        return 0;
    }
    static const rz::AppState state;
    rz::MOneNoteRESTDB query(state);
    const bool found = query.FindPageByTitle(pageList, keyword, ignoreCase);
    if (found && !rz::PageListMayMatch(text, keyword, ignoreCase)) {
        __builtin_trap();
    }
    return 0;
}
