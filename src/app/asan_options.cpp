// SPDX-License-Identifier: GPL-3.0-or-later
// Read by AddressSanitizer at start-up in sanitizer builds; unused otherwise. The web engine
// (Chromium) deletes some of its objects through a base of another size, which is not this
// program's fault and would end the sign-in window's process before it reports.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
