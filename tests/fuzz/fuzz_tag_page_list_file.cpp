// TagPages.plist may be damaged in any way: loading it never fails, and what it yields survives a
// save and a load.
#include "fuzz_scratch_file.h"
#include "reminders/tag_page_list.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!rz::fuzz::WriteScratch(data, size))
        return 0;
    rz::TTagPageList list;
    list.LoadFromFile(rz::fuzz::ScratchPath());
    list.SaveToFile(rz::fuzz::ScratchPath());
    rz::TTagPageList again;
    again.LoadFromFile(rz::fuzz::ScratchPath());
    if (again.Count() > list.Count())
        __builtin_trap();
    return 0;
}
