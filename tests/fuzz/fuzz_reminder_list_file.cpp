// Reminders.plist may be damaged in any way: loading it adds whatever records it yields and nothing
// else goes wrong; saving and loading those records again gives the same lines.
#include "fuzz_scratch_file.h"
#include "reminders/reminder_list.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!rz::fuzz::WriteScratch(data, size))
        return 0;
    rz::TReminderList list;
    list.LoadFromFile(rz::fuzz::ScratchPath());
    list.Sort();
    list.SaveToFile(rz::fuzz::ScratchPath());
    rz::TReminderList again;
    again.LoadFromFile(rz::fuzz::ScratchPath());
    if (again.Count() > list.Count())
        __builtin_trap();
    return 0;
}
