// SPDX-License-Identifier: GPL-3.0-or-later
// Stored tag page lines come from a file anyone could have edited; reading one never fails.
#include "reminders/tag_page_list.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto record = rz::TATagPage::FromString(line);
    (void)rz::TATagPage::FromString(record->ToString())->ToString();
    return 0;
}
