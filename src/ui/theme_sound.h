// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct ca_context;

namespace rz {

// A sound of the desktop's sound theme (the freedesktop sound theme specification) through
// libcanberra, which finds it in the user's theme, or its fallback, and plays it on the desktop's
// sound server. Main thread.
class ThemeSound
{
public:
    ThemeSound() = default;
    ~ThemeSound();
    ThemeSound(const ThemeSound&) = delete;
    ThemeSound& operator=(const ThemeSound&) = delete;

    // Starts the sound `eventId`; false when the theme has none or nothing can play it, so the
    // caller plays a sound of its own instead.
    bool Play(const char* eventId, const QString& description);

private:
    ca_context* m_Context = nullptr;
};

} // namespace rz
