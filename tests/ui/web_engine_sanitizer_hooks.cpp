// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the test programs that run the web engine in their own process, in place of
// qt_lsan_hook.cpp.

// The web engine (Chromium) deletes some of its objects through a base of another size.
extern "C" const char* __asan_default_options() // NOLINT(bugprone-reserved-identifier): the hook's name
{
    return "new_delete_type_mismatch=0";
}

// Fontconfig keeps its configuration cache, and the web engine its browser objects, for the life of
// the process; neither is our leak.
extern "C" const char* __lsan_default_suppressions() // NOLINT(bugprone-reserved-identifier): the hook's name
{
    return "leak:libfontconfig.so\nleak:libQt6WebEngineCore.so\n";
}
