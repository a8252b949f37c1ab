// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/theme_sound.h"

#include "util/log.h"

#include <canberra.h>

namespace rz {

ThemeSound::~ThemeSound()
{
    if (m_Context != nullptr) {
        ca_context_destroy(m_Context);
    }
}

bool ThemeSound::Play(const char* eventId, const QString& description)
{
    // Made at the first alarm, so an idle agent holds no connection to the sound server.
    if (m_Context == nullptr) {
        if (ca_context_create(&m_Context) != CA_SUCCESS) {
            m_Context = nullptr;
            return false;
        }
        ca_context_change_props(m_Context, CA_PROP_APPLICATION_NAME, "RedoZevuviva", CA_PROP_APPLICATION_ID,
                                "redozevuviva", CA_PROP_APPLICATION_ICON_NAME, "redozevuviva", nullptr);
    }
    const QByteArray text = description.toUtf8();
    const int played = ca_context_play(m_Context, 0, CA_PROP_EVENT_ID, eventId, CA_PROP_EVENT_DESCRIPTION,
                                       text.constData(), nullptr);
    if (played != CA_SUCCESS) {
        LogDebug(std::string("theme sound not played: ") + ca_strerror(played));
        return false;
    }
    return true;
}

} // namespace rz
