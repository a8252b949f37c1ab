// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/section_choices.h"
#include "reminders/new_reminder.h"

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;

namespace Ui {
class WinNewReminder;
}

namespace rz {

// A new reminder: its text, date and time, repeat choice and the section its page goes to. Shows
// the title it will write and refuses (OK greyed, the reason below) what the title syntax would
// not read back. Made afresh for each showing and run modally.
class WinNewReminder : public QDialog
{
    Q_OBJECT
public:
    // `sectionId` is the section chosen last time; empty or unknown picks the first.
    WinNewReminder(std::vector<TSectionChoice> sections, const std::string& sectionId,
                   QWidget* parent = nullptr);
    ~WinNewReminder() override;

    // The page title as shown; meaningful once accepted.
    std::string Title() const { return m_Title; }
    std::string SectionId() const;
    // The reason shown below the fields; empty when the reminder is taken.
    QString Problem() const;
    // Tells which sections are known as full: the chosen one's name then shows below the fields with
    // a request for another (Add stays: the user may have made room in OneNote since).
    void SetFullSectionCheck(std::function<bool(const std::string& sectionId)> isFull);
    // Shows again what the full-section check says now.
    void FullSectionsChanged() { Update(); }

    // For tests and the layout's owner.
    Ui::WinNewReminder& Form() { return *m_Ui; }

private:
    void Update();

    std::unique_ptr<Ui::WinNewReminder> m_Ui;
    std::vector<TSectionChoice> m_Sections;
    std::array<QCheckBox*, 7> m_Days{};
    std::string m_Title;
    std::function<bool(const std::string&)> m_IsFull;
};

// The strings-table text for a refused new reminder; empty for none.
QString NewReminderProblemText(TNewReminderProblem problem);

} // namespace rz
