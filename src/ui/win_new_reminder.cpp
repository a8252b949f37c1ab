// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win_new_reminder.h"

#include "reminders/new_reminder.h"
#include "ui/strings_table.h"
#include "ui/warning_text.h"
#include "ui_WinNewReminder.h"
#include "util/dates.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QLocale>
#include <QPushButton>
#include <utility>

namespace rz {

namespace {

QDateTime NextFullHour()
{
    const LocalFields now = LocalFieldsOf(DateNow());
    const Date hour = DateFromParts(now.year, now.month, now.day, now.hour + 1, 0, 0);
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(hour.seconds));
}

} // namespace

QString NewReminderProblemText(TNewReminderProblem problem)
{
    switch (problem) {
    case TNewReminderProblem::None:
        return {};
    case TNewReminderProblem::EmptyText:
        return UiText("strNewReminderEmptyText");
    case TNewReminderProblem::NoWeekDay:
        return UiText("strNewReminderNoWeekDay");
    case TNewReminderProblem::PastTime:
        return UiText("strNewReminderPastTime");
    case TNewReminderProblem::NotReadBack:
        return UiText("strNewReminderNotReadBack");
    case TNewReminderProblem::TooLong:
        return UiText("strNewReminderTooLong");
    }
    return {};
}

WinNewReminder::WinNewReminder(std::vector<TSectionChoice> sections, const std::string& sectionId,
                               QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::WinNewReminder>()), m_Sections(std::move(sections))
{
    m_Ui->setupUi(this);
    const QLocale locale;
    // Monday first, as the title's digits count; the names are the locale's own.
    for (int i = 0; i < 7; ++i) {
        auto* box = new QCheckBox(locale.standaloneDayName(i + 1, QLocale::ShortFormat), m_Ui->daysBox);
        m_Ui->daysLayout->addWidget(box);
        m_Days[static_cast<std::size_t>(i)] = box;
        connect(box, &QCheckBox::toggled, this, &WinNewReminder::Update);
    }
    m_Ui->daysLayout->addStretch();
    m_Ui->whenEdit->setDateTime(NextFullHour());
    m_Ui->titlePreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    SetWarningText(m_Ui->problemLabel, true);
    for (const TSectionChoice& section : m_Sections) {
        m_Ui->sectionCombo->addItem(QString::fromStdString(section.Path), QString::fromStdString(section.Id));
        if (section.Id == sectionId) {
            m_Ui->sectionCombo->setCurrentIndex(m_Ui->sectionCombo->count() - 1);
        }
    }
    connect(m_Ui->textEdit, &QLineEdit::textChanged, this, &WinNewReminder::Update);
    connect(m_Ui->whenEdit, &QDateTimeEdit::dateTimeChanged, this, &WinNewReminder::Update);
    connect(m_Ui->repeatCombo, &QComboBox::currentIndexChanged, this, &WinNewReminder::Update);
    connect(m_Ui->sectionCombo, &QComboBox::currentIndexChanged, this, &WinNewReminder::Update);
    // The buttons' texts are the program's own: Qt's translations may be missing on the system.
    m_Ui->buttonBox->button(QDialogButtonBox::Ok)->setText(UiText("strNewReminderAdd"));
    m_Ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(UiText("strButtonCancel"));
    connect(m_Ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_Ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Update();
}

WinNewReminder::~WinNewReminder() = default;

std::string WinNewReminder::SectionId() const
{
    return m_Ui->sectionCombo->currentData().toString().toStdString();
}

QString WinNewReminder::Problem() const
{
    return m_Ui->problemLabel->text();
}

void WinNewReminder::SetFullSectionCheck(std::function<bool(const std::string&)> isFull)
{
    m_IsFull = std::move(isFull);
    Update();
}

void WinNewReminder::Update()
{
    TNewReminder reminder;
    reminder.Text = m_Ui->textEdit->text().toStdString();
    reminder.When = Date{static_cast<double>(m_Ui->whenEdit->dateTime().toSecsSinceEpoch())};
    reminder.Repeat = static_cast<TRepeatChoice>(m_Ui->repeatCombo->currentIndex());
    for (std::size_t i = 0; i < m_Days.size(); ++i) {
        reminder.Days[i] = m_Days[i]->isChecked();
    }

    const bool once = reminder.Repeat == TRepeatChoice::Once;
    m_Ui->daysBox->setVisible(reminder.Repeat == TRepeatChoice::WeekDays);
    // A repeating reminder keeps only its time of day.
    const QLocale locale;
    // The locale's short forms, with the whole year: a reminder may lie years ahead.
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy"))) {
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    const QString format = once ? date + QLatin1Char(' ') + time : time;
    if (m_Ui->whenEdit->displayFormat() != format) {
        m_Ui->whenEdit->setDisplayFormat(format);
    }

    const TNewReminderProblem problem = CheckNewReminder(reminder, DateNow(), m_Title);
    QString text = NewReminderProblemText(problem);
    // An empty text is the dialog's starting state, not a mistake worth a red line yet.
    if (problem == TNewReminderProblem::EmptyText && m_Ui->textEdit->text().isEmpty()) {
        text.clear();
    }
    if (text.isEmpty() && m_Sections.empty()) {
        text = UiText("strNewReminderNoSection");
    }
    if (text.isEmpty() && m_IsFull && m_IsFull(SectionId())) {
        text = UiText("strNewReminderSectionFull").arg(m_Ui->sectionCombo->currentText());
    }
    // A title too long for the window shows whole in its tool tip.
    m_Ui->titlePreview->setText(QString::fromStdString(m_Title));
    m_Ui->titlePreview->setToolTip(QString::fromStdString(m_Title));
    m_Ui->problemLabel->setText(text);
    m_Ui->problemLabel->setVisible(!text.isEmpty());
    m_Ui->buttonBox->button(QDialogButtonBox::Ok)
        ->setEnabled(problem == TNewReminderProblem::None && !m_Sections.empty());
}

} // namespace rz
