// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QCoreApplication;

namespace rz {

// The text of a key of the application's strings table, in the language of the installed
// translation; the English text without one, and the key itself when the table lacks it.
QString UiText(const char* key);

// Installs the program's translation for the default locale (the desktop's, from LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG) and Qt's own where the system has it. False when the program has none for
// that language, and then its texts stay English.
bool InstallTranslations(QCoreApplication& app);

} // namespace rz
