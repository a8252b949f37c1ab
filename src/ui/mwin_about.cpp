// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mwin_about.h"

#include "ui/strings_table.h"
#include "ui_MWinAbout.h"
#include "util/files.h"

#include <QPushButton>
#include <utility>

namespace rz {

MWinAbout::MWinAbout(QString websiteUrl, QString supportEmail, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::MWinAbout>()), m_WebsiteUrl(std::move(websiteUrl)),
      m_SupportEmail(std::move(supportEmail))
{
    m_Ui->setupUi(this);
    m_Ui->tfVersion->setText(VersionText());
    connect(m_Ui->buttonLabelWebsite, &QPushButton::clicked, this, &MWinAbout::buttonLabelWebsiteClick);
    connect(m_Ui->buttonLabelSupport, &QPushButton::clicked, this, &MWinAbout::buttonLabelSupportClick);
}

MWinAbout::~MWinAbout() = default;

QString MWinAbout::VersionText() const
{
    return QStringLiteral("%1 %2").arg(UiText("strVersion"), QStringLiteral(RZ_VERSION));
}

void MWinAbout::buttonLabelWebsiteClick()
{
    OpenUrl(m_WebsiteUrl.toStdString());
}

void MWinAbout::buttonLabelSupportClick()
{
    OpenUrl("mailto:" + m_SupportEmail.toStdString());
}

} // namespace rz
