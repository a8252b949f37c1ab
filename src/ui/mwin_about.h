// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class MWinAbout;
}

namespace rz {

// The version and the links to the web site and to the support mailbox. Made afresh for each
// showing and run modally.
class MWinAbout : public QDialog
{
    Q_OBJECT
public:
    MWinAbout(QString websiteUrl, QString supportEmail, QWidget* parent = nullptr);
    ~MWinAbout() override;

    QString VersionText() const;

public slots:
    void buttonLabelWebsiteClick();
    void buttonLabelSupportClick();

private:
    std::unique_ptr<Ui::MWinAbout> m_Ui;
    QString m_WebsiteUrl;
    QString m_SupportEmail;
};

} // namespace rz
