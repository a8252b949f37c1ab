#pragma once

#include <QString>

namespace rz {

// The text of a key of the application's strings table; the key itself when the table lacks it.
QString UiText(const char* key);

} // namespace rz
