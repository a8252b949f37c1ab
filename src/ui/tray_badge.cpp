// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray_badge.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <algorithm>

namespace rz {

QIcon BadgedIcon(const QIcon& icon, const QString& text)
{
    if (text.isEmpty()) {
        return icon;
    }
    QIcon badged;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = icon.pixmap(size, size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        }
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::max(7, size * 9 / 16));
        const QFontMetricsF metrics(font);
        // At least a disc; a longer count stretches it into a pill, never past the icon's width.
        const qreal height = std::max<qreal>(size * 0.62, metrics.height());
        const qreal width =
            std::min<qreal>(size, std::max(height, metrics.horizontalAdvance(text) + height / 2));
        const QRectF disc(size - width, size - height, width, height);
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        painter.setBrush(QColor(0xc6, 0x28, 0x28));
        painter.drawRoundedRect(disc.adjusted(0.5, 0.5, -0.5, -0.5), height / 2, height / 2);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(disc, Qt::AlignCenter, text);
        painter.end();
        badged.addPixmap(pixmap);
    }
    return badged;
}

} // namespace rz
