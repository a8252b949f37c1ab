// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "ui/mwin_about.h"
#include "util/files.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz {
namespace {

TEST(AboutWindowTest, ShowsTheVersionAndOpensTheConfiguredLinks)
{
    test::QtTestApp();
    std::vector<std::string> opened;
    SetUrlOpener([&opened](const std::string& url) { opened.push_back(url); });
    MWinAbout about(QStringLiteral("https://example.org/site"), QStringLiteral("help@example.org"));
    auto* version = about.findChild<QLabel*>(QStringLiteral("tfVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Version " RZ_VERSION));
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("buttonLabelWebsite")), Qt::LeftButton);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("buttonLabelSupport")), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/site", "mailto:help@example.org"}));
    SetUrlOpener({});
}

} // namespace
} // namespace rz
