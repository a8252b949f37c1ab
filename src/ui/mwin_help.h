// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class MWinHelp;
}

namespace rz {

// The setup steps every user of their own account needs (registering an application id), built into
// the program so they are at hand without a network or a web site; F1 and Preferences open it.
class MWinHelp : public QDialog
{
    Q_OBJECT
public:
    // `websiteAddress`, when given, adds a link to more on the web site.
    explicit MWinHelp(const QString& websiteAddress = {}, QWidget* parent = nullptr);
    ~MWinHelp() override;

    QString HelpText() const;

private:
    std::unique_ptr<Ui::MWinHelp> m_Ui;
};

// Shows the help modally over `parent`.
void ShowHelp(QWidget* parent, const QString& websiteAddress = {});

} // namespace rz
