// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

namespace rz {

// The icon with `text` in a small red disc over its lower right corner, at every size trays ask
// for; the icon itself for an empty text.
QIcon BadgedIcon(const QIcon& icon, const QString& text);

} // namespace rz
