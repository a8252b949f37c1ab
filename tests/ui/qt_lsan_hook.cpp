// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the Qt test programs, so they run leak-clean with or without the sanitizer preset's
// suppression file.

// Fontconfig keeps its configuration cache for the life of the process; that is not our leak.
extern "C" const char* __lsan_default_suppressions() // NOLINT(bugprone-reserved-identifier): the hook's name
{
    return "leak:libfontconfig.so\n";
}
