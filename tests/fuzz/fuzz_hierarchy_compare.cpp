// SPDX-License-Identifier: GPL-3.0-or-later
// The stored and the new hierarchy answers both come from the network. Their comparison must take
// any pair of texts and never crash; without an account it creates nothing and sends nothing.
// The input is the old answer, a zero byte, then the new one.
#include "mirror/thread_one_note_restdb.h"
#include "state/app_state.h"
#include "util/json.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const void* zero = std::memchr(text, '\0', size);
    if (zero == nullptr) {
        return 0;
    }
    const std::size_t split = static_cast<std::size_t>(static_cast<const char*>(zero) - text);
    const rz::Json oldObject = rz::JsonTextToObject(std::string_view(text, split));
    const rz::Json newObject = rz::JsonTextToObject(std::string_view(text + split + 1, size - split - 1));
    static rz::AppState state;
    static rz::MThreadOneNoteRESTDB worker(state);
    worker.CheckNotebooksSections(oldObject, newObject, "/nonexistent/rz-fuzz-store");
    if (worker.m_Counts.StoreErrorCount < 0) {
        __builtin_trap();
    }
    return 0;
}
