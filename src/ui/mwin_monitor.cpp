// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mwin_monitor.h"

#include "status/monitor_lines.h"
#include "ui/locale_text.h"
#include "ui/warning_text.h"
#include "ui_MWinMonitor.h"

#include <QLabel>
#include <utility>

namespace rz {
namespace {

void SetIfGiven(QLabel* label, const std::optional<std::string>& text)
{
    if (text) {
        label->setText(QString::fromStdString(*text));
    }
}

} // namespace

MWinMonitor::MWinMonitor(SnapshotSource source, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::MWinMonitor>()), m_Source(std::move(source))
{
    m_Ui->setupUi(this);
    // Opened from the tray over whatever is in front, like the pending window.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
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
    const MonitorLines lines = BuildMonitorLines(m_Source(), *m_Texts, DateNow());
    SetWarningText(m_Ui->labelLoginValue, lines.LoginRed);
    SetWarningText(m_Ui->labelMonitorNotebooksValue, lines.NotebooksRed);
    m_Ui->labelLoginValue->setText(QString::fromStdString(lines.Login));
    SetIfGiven(m_Ui->labelMonitorNotebooksValue, lines.Notebooks);
    SetIfGiven(m_Ui->labelTimeGetPageValue, lines.TimeGetPage);
    SetIfGiven(m_Ui->labelMonitorPagesValue, lines.Pages);
}

} // namespace rz
