// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/warning_text.h"

#include "ui/strings_table.h"
#include "util/contrast.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QPalette>

namespace rz {

namespace {

constexpr const char* kAnnouncementProperty = "rzAnnouncement";

// The alert role is what makes the desktop's screen readers speak a line the moment it shows.
class AnnouncementAccessible : public QAccessibleWidget
{
public:
    explicit AnnouncementAccessible(QLabel* line) : QAccessibleWidget(line, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            return static_cast<const QLabel*>(widget())->text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* AnnouncementFactory(const QString& className, QObject* object)
{
    auto* line = qobject_cast<QLabel*>(object);
    if (line != nullptr && className == QLatin1String("QLabel") &&
        line->property(kAnnouncementProperty).toBool()) {
        return new AnnouncementAccessible(line);
    }
    return nullptr;
}

} // namespace

QLabel* NewAnnouncementLine(QWidget* parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(AnnouncementFactory);
        return true;
    }();
    (void)installed;
    auto* line = new QLabel(parent);
    // Before anything asks for its accessible interface, which is made once.
    line->setProperty(kAnnouncementProperty, true);
    line->setWordWrap(true);
    line->hide();
    return line;
}

void Announce(QLabel* line, const QString& text)
{
    line->hide();
    line->setText(text);
    line->show();
}

void SetWarningText(QLabel* label, bool warning)
{
    // The theme's colours, not the label's: the label's own may hold an earlier warning colour.
    const QPalette theme = QApplication::palette(label);
    QPalette palette = label->palette();
    if (warning) {
        const QColor window = theme.color(QPalette::Window);
        const Rgb red = WarningTextColour({window.red(), window.green(), window.blue()});
        palette.setColor(QPalette::WindowText, QColor(red.Red, red.Green, red.Blue));
    } else {
        palette.setColor(QPalette::WindowText, theme.color(QPalette::WindowText));
    }
    label->setPalette(palette);

    // Red alone says nothing to a screen reader: the line carries the word, and turning red is
    // announced once.
    const bool was = label->property("rzWarning").toBool();
    label->setProperty("rzWarning", warning);
    if (warning != was) {
        label->setAccessibleDescription(warning ? UiText("strA11yWarning") : QString());
    }
    if (warning && !was) {
        QAccessibleEvent alert(label, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

} // namespace rz
