// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mwin_help.h"

#include "ui/strings_table.h"
#include "ui_MWinHelp.h"

namespace rz {

MWinHelp::MWinHelp(const QString& websiteAddress, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::MWinHelp>())
{
    m_Ui->setupUi(this);
    m_Ui->websiteLink->setVisible(!websiteAddress.isEmpty());
    m_Ui->websiteLink->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(websiteAddress.toHtmlEscaped(), UiText("strHelpWebsite").toHtmlEscaped()));
}

MWinHelp::~MWinHelp() = default;

QString MWinHelp::HelpText() const
{
    return m_Ui->helpText->toPlainText();
}

void ShowHelp(QWidget* parent, const QString& websiteAddress)
{
    MWinHelp help(websiteAddress, parent);
    help.exec();
}

} // namespace rz
