// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mwin_monitor.h"

#include "status/monitor_lines.h"
#include "ui/locale_text.h"
#include "ui/strings_table.h"
#include "ui/warning_text.h"
#include "ui_MWinMonitor.h"

#include <QLabel>
#include <QLocale>
#include <QTime>
#include <QTreeWidget>
#include <utility>

namespace rz {
namespace {

void SetIfGiven(QLabel* label, const std::optional<std::string>& text)
{
    if (text) {
        label->setText(QString::fromStdString(*text));
    }
}

constexpr int kPageIdRole = Qt::UserRole;
constexpr int kLinkRole = Qt::UserRole + 1;

// The plain words of a near miss, with what the syntax reads it as.
QString NearMissWhy(const TNearMiss& miss)
{
    QString readAs;
    if (miss.ReadAs && miss.Repeating) {
        const TimeOfDayValue at = TimeOfDay(*miss.ReadAs);
        readAs = UiText("strNearMissDaily")
                     .arg(QLocale().toString(QTime(at.hour, at.minute, at.second), QLocale::ShortFormat));
    } else if (miss.ReadAs) {
        readAs = LocaleDateTimeText(miss.ReadAs);
    }
    const QString words = UiText(NearMissReasonKey(miss.Reason));
    return words.contains(QLatin1String("%1")) ? words.arg(readAs) : words;
}

} // namespace

MWinMonitor::MWinMonitor(SnapshotSource source, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::MWinMonitor>()), m_Source(std::move(source))
{
    m_Ui->setupUi(this);
    // Opened from the tray over whatever is in front, like the pending window.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    m_Ui->labelNearMisses->hide();
    m_Ui->treeNearMisses->hide();
    connect(m_Ui->treeNearMisses, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        emit PageOpenRequested(item->data(0, kLinkRole).toString(), item->data(0, kPageIdRole).toString());
    });
}

MWinMonitor::~MWinMonitor() = default;

void MWinMonitor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_Timer == nullptr) {
        windowDidLoad();
    } else if (!m_Timer->isActive()) {
        m_Timer->start();
        TimerRun();
    }
}

void MWinMonitor::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_Timer != nullptr) {
        m_Timer->stop();
    }
}

void MWinMonitor::windowDidLoad()
{
    m_Texts = std::make_unique<MonitorTexts>(LocaleMonitorTexts());
    m_Timer = new QTimer(this);
    m_Timer->setInterval(1000);
    connect(m_Timer, &QTimer::timeout, this, &MWinMonitor::TimerRun);
    m_Timer->start();
    TimerRun();
}

void MWinMonitor::TimerRun()
{
    if (!m_Source || !m_Texts) {
        return;
    }
    const MonitorSnapshot snapshot = m_Source();
    const MonitorLines lines = BuildMonitorLines(snapshot, *m_Texts, DateNow());
    SetWarningText(m_Ui->labelLoginValue, lines.LoginRed);
    SetWarningText(m_Ui->labelMonitorNotebooksValue, lines.NotebooksRed);
    m_Ui->labelLoginValue->setText(QString::fromStdString(lines.Login));
    SetIfGiven(m_Ui->labelMonitorNotebooksValue, lines.Notebooks);
    SetIfGiven(m_Ui->labelTimeGetPageValue, lines.TimeGetPage);
    SetIfGiven(m_Ui->labelMonitorPagesValue, lines.Pages);
    if (snapshot.NearMissVersion != m_NearMissVersion) {
        m_NearMissVersion = snapshot.NearMissVersion;
        DrawNearMisses(snapshot);
    }
}

void MWinMonitor::DrawNearMisses(const MonitorSnapshot& snapshot)
{
    QTreeWidget* tree = m_Ui->treeNearMisses;
    tree->clear();
    for (const TNearMissRow& row : snapshot.NearMisses) {
        auto* item = new QTreeWidgetItem(tree);
        item->setText(0, QString::fromStdString(row.Entry.Text));
        item->setText(1, NearMissWhy(row.Entry.Miss));
        item->setText(2, QString::fromStdString(row.Where));
        item->setToolTip(1, item->text(1));
        item->setData(0, kPageIdRole, QString::fromStdString(row.Entry.PageId));
        item->setData(0, kLinkRole, QString::fromStdString(row.Entry.Link));
    }
    const bool any = !snapshot.NearMisses.empty();
    m_Ui->labelNearMisses->setVisible(any);
    tree->setVisible(any);
    if (any) {
        tree->resizeColumnToContents(0);
        tree->resizeColumnToContents(1);
    }
}

} // namespace rz
