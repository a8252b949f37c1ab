// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win_preferences.h"

#include "core/preferences.h"
#include "ui/snooze_choices.h"
#include "ui/strings_table.h"
#include "ui_WinPreferences.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QUrl>
#include <utility>

namespace rz {

WinPreferences::WinPreferences(std::string settingsFilePath, std::vector<TSectionChoice> sections,
                               bool startAtLogin, const std::string& readmeAddress, Hooks hooks,
                               QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::WinPreferences>()),
      m_SettingsFilePath(std::move(settingsFilePath)), m_Hooks(std::move(hooks))
{
    m_Ui->setupUi(this);
    const TPreferences stored = LoadPreferences(m_SettingsFilePath);

    m_Ui->clientIdEdit->setText(QString::fromStdString(stored.ClientId));
    m_Ui->clientIdLink->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                                    .arg(QString::fromStdString(readmeAddress).toHtmlEscaped(),
                                         UiText("strSignInReadmeLink").toHtmlEscaped()));
    connect(m_Ui->clientIdLink, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    m_Ui->clientIdProblem->setStyleSheet(QStringLiteral("color: #b00020;"));
    // Room for the wrapped texts from the start: the window's height would not follow their lines.
    const int line = fontMetrics().lineSpacing();
    m_Ui->clientIdHelp->setMinimumHeight(4 * line);
    m_Ui->clientIdProblem->setMinimumHeight(2 * line);

    // A section chosen before but not mirrored (any more) stays chosen until another is picked.
    bool found = stored.NewReminderSectionId.empty();
    if (found) {
        m_Ui->sectionCombo->addItem(UiText("strPrefsSectionNone"), QString());
    }
    for (const TSectionChoice& section : sections) {
        m_Ui->sectionCombo->addItem(QString::fromStdString(section.Path), QString::fromStdString(section.Id));
        found = found || section.Id == stored.NewReminderSectionId;
    }
    if (!found) {
        m_Ui->sectionCombo->addItem(QString::fromStdString(stored.NewReminderSectionId),
                                    QString::fromStdString(stored.NewReminderSectionId));
    }
    m_Ui->sectionCombo->setCurrentIndex(
        std::max(0, m_Ui->sectionCombo->findData(QString::fromStdString(stored.NewReminderSectionId))));

    FillSnoozeChoices(m_Ui->snoozeCombo, stored.DefaultSnoozeMinutes);
    m_Ui->lateCheck->setChecked(stored.LateAlarms);
    m_Ui->startAtLoginCheck->setChecked(startAtLogin);
    m_Ui->soundCheck->setChecked(stored.AlertSound);
    m_Ui->soundFileEdit->setText(QString::fromStdString(stored.AlertSoundFile));
    m_Ui->soundThemeCheck->setChecked(stored.AlertSoundTheme);
    m_Ui->notificationsCheck->setChecked(stored.DesktopNotifications);

    connect(m_Ui->clientIdEdit, &QLineEdit::textChanged, this, &WinPreferences::Store);
    connect(m_Ui->sectionCombo, &QComboBox::currentIndexChanged, this, &WinPreferences::Store);
    connect(m_Ui->snoozeCombo, &QComboBox::currentIndexChanged, this, &WinPreferences::Store);
    connect(m_Ui->soundFileEdit, &QLineEdit::editingFinished, this, &WinPreferences::Store);
    for (QCheckBox* box :
         {m_Ui->lateCheck, m_Ui->soundCheck, m_Ui->soundThemeCheck, m_Ui->notificationsCheck}) {
        connect(box, &QCheckBox::toggled, this, &WinPreferences::Store);
    }
    connect(m_Ui->startAtLoginCheck, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_Hooks.StartAtLogin) {
            m_Hooks.StartAtLogin(checked);
        }
    });
    connect(m_Ui->soundChooseButton, &QPushButton::clicked, this, &WinPreferences::ChooseSound);
    connect(m_Ui->soundTestButton, &QPushButton::clicked, this, [this] {
        if (m_Hooks.TestSound) {
            m_Hooks.TestSound(m_Ui->soundFileEdit->text().trimmed().toStdString(),
                              m_Ui->soundThemeCheck->isChecked());
        }
    });
    // The button's text is the program's own: Qt's translations may be missing on the system.
    m_Ui->buttonBox->button(QDialogButtonBox::Close)->setText(UiText("strButtonClose"));
    connect(m_Ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateEnabled();
    m_Loading = false;
}

WinPreferences::~WinPreferences() = default;

void WinPreferences::UpdateEnabled()
{
    const bool sound = m_Ui->soundCheck->isChecked();
    const bool file = sound && !m_Ui->soundThemeCheck->isChecked();
    m_Ui->soundThemeCheck->setEnabled(sound);
    m_Ui->soundFileLabel->setEnabled(file);
    m_Ui->soundFileEdit->setEnabled(file);
    m_Ui->soundChooseButton->setEnabled(file);
    m_Ui->soundTestButton->setEnabled(sound);
}

void WinPreferences::ChooseSound()
{
    const QString file = QFileDialog::getOpenFileName(
        this, UiText("strPrefsSoundChoose"), m_Ui->soundFileEdit->text(), UiText("strPrefsSoundFiles"));
    if (!file.isEmpty()) {
        m_Ui->soundFileEdit->setText(file);
        Store();
    }
}

void WinPreferences::Store()
{
    UpdateEnabled();
    if (m_Loading) {
        return;
    }
    const TPreferences stored = LoadPreferences(m_SettingsFilePath);
    TPreferences p = stored;
    const std::string clientId = m_Ui->clientIdEdit->text().trimmed().toStdString();
    const bool clientIdOk = clientId.empty() || IsClientIdForm(clientId);
    m_Ui->clientIdProblem->setText(clientIdOk ? QString() : UiText("strPrefsClientIdInvalid"));
    // A half-typed id is not stored: the next sign-in would fail with it.
    if (clientIdOk) {
        p.ClientId = clientId;
    }
    p.NewReminderSectionId = m_Ui->sectionCombo->currentData().toString().toStdString();
    p.DefaultSnoozeMinutes = m_Ui->snoozeCombo->currentData().toInt();
    p.LateAlarms = m_Ui->lateCheck->isChecked();
    p.AlertSound = m_Ui->soundCheck->isChecked();
    p.AlertSoundFile = m_Ui->soundFileEdit->text().trimmed().toStdString();
    p.AlertSoundTheme = m_Ui->soundThemeCheck->isChecked();
    p.DesktopNotifications = m_Ui->notificationsCheck->isChecked();
    // Each keystroke of the id comes here: the file (which holds the tokens too) is replaced only
    // when a value changed.
    if (p != stored && SavePreferences(m_SettingsFilePath, p) && m_Hooks.Changed) {
        m_Hooks.Changed(p);
    }
}

} // namespace rz
