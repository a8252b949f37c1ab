// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win_preferences.h"

#include "core/preferences.h"
#include "ui/mwin_help.h"
#include "ui/snooze_choices.h"
#include "ui/strings_table.h"
#include "ui/warning_text.h"
#include "ui_WinPreferences.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimeEdit>
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
    // The steps come with the program: the web site may say nothing of them, or be out of reach.
    m_Ui->clientIdLink->setText(
        QStringLiteral("<a href=\"help:\">%1</a>").arg(UiText("strPrefsHelpLink").toHtmlEscaped()));
    const QString website = QString::fromStdString(readmeAddress);
    const auto help = [this, website] { ShowHelp(this, website); };
    connect(m_Ui->clientIdLink, &QLabel::linkActivated, this, help);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, help);
    SetWarningText(m_Ui->clientIdProblem, true);
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
    m_Ui->dateOnlyTimeEdit->setTime(QTime(stored.DateOnlyMinutes / 60, stored.DateOnlyMinutes % 60));
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
    connect(m_Ui->dateOnlyTimeEdit, &QTimeEdit::timeChanged, this, &WinPreferences::Store);
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
    const QTime dateOnly = m_Ui->dateOnlyTimeEdit->time();
    p.DateOnlyMinutes = dateOnly.hour() * 60 + dateOnly.minute();
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

void WinPreferences::AddNotebookItem(const TNotebookChoice& notebook, bool watched)
{
    const QString name = QString::fromStdString(notebook.Name);
    const QString owner = QString::fromStdString(notebook.OwnerName);
    QString text = name;
    if (notebook.Shared) {
        text = UiText(notebook.Refused ? "strNotebookRefused" : "strNotebookShared").arg(name, owner);
    }
    auto* item = new QListWidgetItem(text, m_Ui->notebookList);
    item->setData(Qt::UserRole, QString::fromStdString(notebook.Id));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(watched ? Qt::Checked : Qt::Unchecked);
}

void WinPreferences::SetNotebooks(const std::vector<TNotebookChoice>& notebooks,
                                  const std::set<std::string>& unwatched, NotebookHooks hooks)
{
    m_NotebookHooks = std::move(hooks);
    m_Ui->notebookList->clear();
    for (const TNotebookChoice& notebook : notebooks) {
        AddNotebookItem(notebook, !unwatched.contains(notebook.Id));
    }
    connect(m_Ui->notebookList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (m_NotebookHooks.Watch) {
            m_NotebookHooks.Watch(item->data(Qt::UserRole).toString().toStdString(),
                                  item->checkState() == Qt::Checked);
        }
    });
    connect(m_Ui->addSharedButton, &QPushButton::clicked, this, &WinPreferences::AddSharedNotebook,
            Qt::UniqueConnection);
}

void WinPreferences::SetPhone(bool signedIn, bool on, std::function<bool(bool on)> toggled)
{
    m_PhoneToggled = std::move(toggled);
    const QSignalBlocker quiet(m_Ui->phoneCheck);
    m_Ui->phoneCheck->setChecked(on);
    m_Ui->phoneCheck->setEnabled(signedIn);
    connect(m_Ui->phoneCheck, &QCheckBox::toggled, this, [this](bool checked) {
        // A choice the controller did not take (a refused question) shows as it was.
        if (m_PhoneToggled && !m_PhoneToggled(checked)) {
            const QSignalBlocker again(m_Ui->phoneCheck);
            m_Ui->phoneCheck->setChecked(!checked);
        }
    });
}

void WinPreferences::AddSharedNotebook()
{
    QInputDialog ask(this);
    ask.setWindowTitle(UiText("strSharedAddTitle"));
    ask.setLabelText(UiText("strSharedAddPrompt"));
    ask.setOkButtonText(UiText("strButtonAdd"));
    ask.setCancelButtonText(UiText("strButtonCancel"));
    ask.resize(520, ask.sizeHint().height());
    if (ask.exec() != QDialog::Accepted || ask.textValue().trimmed().isEmpty() || !m_NotebookHooks.Resolve) {
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto result = m_NotebookHooks.Resolve(ask.textValue().toStdString());
    QGuiApplication::restoreOverrideCursor();
    using S = TSharedResolveStatus;
    QMessageBox box(this);
    box.setWindowTitle(UiText("strSharedAddTitle"));
    if (result.Status != S::Found) {
        const char* key = result.Status == S::NotShared   ? "strSharedNotShared"
                          : result.Status == S::NotFound  ? "strSharedNotFound"
                          : result.Status == S::Malformed ? "strSharedMalformed"
                                                          : "strSharedFailed";
        box.setIcon(QMessageBox::Information);
        box.setText(UiText(key));
        box.addButton(UiText("strButtonOk"), QMessageBox::AcceptRole);
        box.exec();
        return;
    }
    // Name and owner are shown before anything is added, as the service gave them: plain text, so
    // that a sharer's markup can neither fake the owner nor add a link.
    box.setIcon(QMessageBox::Question);
    box.setTextFormat(Qt::PlainText);
    box.setText(
        UiText("strSharedConfirm")
            .arg(QString::fromStdString(result.Notebook.Name),
                 QString::fromStdString(result.Notebook.OwnerName.empty() ? result.Notebook.OwnerId
                                                                          : result.Notebook.OwnerName)));
    QPushButton* add = box.addButton(UiText("strButtonAdd"), QMessageBox::AcceptRole);
    box.addButton(UiText("strButtonCancel"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() != add || !m_NotebookHooks.Add) {
        return;
    }
    m_NotebookHooks.Add(result.Notebook);
    for (int i = 0; i < m_Ui->notebookList->count(); ++i) {
        if (m_Ui->notebookList->item(i)->data(Qt::UserRole).toString().toStdString() == result.Notebook.Id) {
            return;
        }
    }
    const QSignalBlocker quiet(m_Ui->notebookList);
    AddNotebookItem({result.Notebook.Id, result.Notebook.Name, result.Notebook.OwnerName, true, false}, true);
}

} // namespace rz
