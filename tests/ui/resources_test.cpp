// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled-in resources load, and the window layouts carry the object names the code uses.
#include "qt_test_app.h"
#include "ui_MWinAbout.h"
#include "ui_MWinLogin.h"
#include "ui_MWinMonitor.h"
#include "ui_MWinPendingReminders.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTableView>
#include <QtEndian>
#include <gtest/gtest.h>
#include <initializer_list>

namespace {

QImage Render(const QString& path, int size, QColor background = Qt::transparent)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(background);
    QSvgRenderer svg(path);
    QPainter p(&img);
    svg.render(&p);
    return img;
}

// Pixels that stand out from the background by a clearly visible amount.
int VisiblePixels(const QImage& img, QColor background)
{
    int count = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            const int diff = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                             std::abs(c.blue() - background.blue());
            if (diff > 200) {
                ++count;
            }
        }
    }
    return count;
}

QByteArray ReadResource(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

const QStringList kIcons = {":/icons/16.svg",          ":/icons/16err.svg", ":/icons/Recurrence.svg",
                            ":/icons/Time.svg",        ":/icons/Tag.svg",   ":/icons/Page.svg",
                            ":/icons/redozevuviva.svg"};

TEST(ResourcesTest, EveryIconRendersAtSmallAndLargeSizes)
{
    rz::test::QtTestApp();
    for (const QString& path : kIcons) {
        QSvgRenderer svg(path);
        ASSERT_TRUE(svg.isValid()) << path.toStdString();
        EXPECT_EQ(svg.viewBoxF().width(), svg.viewBoxF().height()) << path.toStdString();
        for (int size : {16, 64}) {
            const QImage img = Render(path, size);
            int covered = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    if (qAlpha(img.pixel(x, y)) > 128) {
                        ++covered;
                    }
                }
            }
            // An icon fills a good part of its square but is not a plain block.
            EXPECT_GT(covered, size * size / 8) << path.toStdString() << " at " << size;
            EXPECT_LT(covered, size * size) << path.toStdString() << " at " << size;
        }
    }
}

TEST(ResourcesTest, TrayIconsStandOutOnLightAndDarkPanels)
{
    rz::test::QtTestApp();
    for (const QString& path : {QStringLiteral(":/icons/16.svg"), QStringLiteral(":/icons/16err.svg")}) {
        for (QColor panel : {QColor(0xf0, 0xf0, 0xf0), QColor(0x20, 0x20, 0x20)}) {
            EXPECT_GE(VisiblePixels(Render(path, 22, panel), panel), 40)
                << path.toStdString() << " on " << panel.name().toStdString();
        }
    }
}

TEST(ResourcesTest, ErrorIconCarriesARedBadgeTheNormalIconLacks)
{
    rz::test::QtTestApp();
    auto redPixels = [](const QImage& img) {
        int count = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() > 200 && c.red() > 180 && c.green() < 90 && c.blue() < 90) {
                    ++count;
                }
            }
        }
        return count;
    };
    EXPECT_GE(redPixels(Render(":/icons/16err.svg", 16)), 12);
    EXPECT_EQ(redPixels(Render(":/icons/16.svg", 16)), 0);
}

TEST(ResourcesTest, AlertSoundIsShortUnclippedMonoPcm)
{
    const QByteArray wav = ReadResource(":/sounds/default.wav");
    ASSERT_GT(wav.size(), 44);
    const auto* d = reinterpret_cast<const uchar*>(wav.constData());
    ASSERT_EQ(wav.left(4), "RIFF");
    ASSERT_EQ(wav.mid(8, 4), "WAVE");
    ASSERT_EQ(wav.mid(12, 4), "fmt ");
    EXPECT_EQ(qFromLittleEndian<quint16>(d + 20), 1) << "PCM";
    EXPECT_EQ(qFromLittleEndian<quint16>(d + 22), 1) << "mono";
    const quint32 rate = qFromLittleEndian<quint32>(d + 24);
    EXPECT_TRUE(rate == 22050 || rate == 44100) << rate;
    EXPECT_EQ(qFromLittleEndian<quint16>(d + 34), 16) << "bits per sample";
    const quint32 fmtSize = qFromLittleEndian<quint32>(d + 16);
    const qsizetype dataAt = 20 + qsizetype(fmtSize);
    ASSERT_EQ(wav.mid(dataAt, 4), "data");
    const quint32 dataSize = qFromLittleEndian<quint32>(d + dataAt + 4);
    ASSERT_EQ(qsizetype(dataAt + 8 + dataSize), wav.size());

    const qsizetype samples = dataSize / 2;
    EXPECT_GT(samples, qsizetype(rate / 4)) << "at least a quarter second";
    EXPECT_LT(samples, qsizetype(rate * 3 / 2)) << "under 1.5 s";
    int peak = 0;
    for (qsizetype i = 0; i < samples; ++i) {
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(d + dataAt + 8 + 2 * i))));
    }
    EXPECT_GT(peak, 8000) << "audible";
    EXPECT_LT(peak, 32000) << "no clipping";
    // Starts and ends at silence, so playing it does not click.
    EXPECT_LT(std::abs(int(qFromLittleEndian<qint16>(d + dataAt + 8))), 500);
    EXPECT_LT(std::abs(int(qFromLittleEndian<qint16>(d + dataAt + 8 + 2 * (samples - 1)))), 100);
}

TEST(ResourcesTest, StringsTableHoldsEveryKeyTheAppUses)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(ReadResource(":/strings/en.json"), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_TRUE(doc.isObject());
    const QJsonObject table = doc.object();
    for (const char* key :
         {"strChecked", "strChecking", "strLoggedIn", "strLoggedOut", "strVersion", "strMenuShowReminders",
          "strMenuPendingReminders", "strMenuStatus", "strMenuRefresh", "strMenuLogin", "strMenuStartAtLogin",
          "strMenuAbout", "strMenuQuit", "strNotificationTitle", "strNotificationTitleMany"}) {
        ASSERT_TRUE(table.value(key).isString()) << key;
        EXPECT_FALSE(table.value(key).toString().trimmed().isEmpty()) << key;
    }
    // The icon column has no caption, but the key must exist or the key itself would show.
    EXPECT_TRUE(table.value("strColumnState").isString());
    for (const char* key : {"strColumnTask", "strColumnTime", "strNotificationOpen"}) {
        EXPECT_FALSE(table.value(key).toString().isEmpty()) << key;
    }
    EXPECT_TRUE(table.value("strNotificationTitleMany").toString().contains("%1"));
}

TEST(ResourcesTest, DesktopEntryStartsTheProgramWithItsIcon)
{
    const QStringList lines = QString::fromUtf8(ReadResource(":/redozevuviva.desktop")).split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "[Desktop Entry]");
    for (const char* line : {"Type=Application", "Name=RedoZevuviva", "Exec=redozevuviva",
                             "Icon=redozevuviva", "Categories=Office;"}) {
        EXPECT_TRUE(lines.contains(line)) << line;
    }
}

// Every button shows its whole caption at the layout's own size.
void ExpectButtonsUncut(QWidget& window)
{
    window.adjustSize();
    window.show();
    QApplication::processEvents();
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString();
        EXPECT_GE(b->height(), b->sizeHint().height()) << b->objectName().toStdString();
    }
    window.hide();
}

// The window holds a child of the type under each name.
template <class T> void ExpectChildren(const QWidget& window, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        EXPECT_NE(window.findChild<T*>(name), nullptr) << name;
    }
}

TEST(LayoutsTest, MainWindowHasTableAndSpinner)
{
    rz::test::QtTestApp();
    QMainWindow w;
    Ui::MainWindow ui;
    ui.setupUi(&w);
    EXPECT_EQ(w.findChild<QTableView*>("tableView"), ui.tableView);
    ASSERT_NE(ui.progressInd, nullptr);
    EXPECT_EQ(ui.progressInd->minimum(), ui.progressInd->maximum()) << "busy mode";
    ExpectChildren<QAction>(w, {"actionRedoZevuviva", "actionCompleteReminderList", "actionStatus",
                                "actionRefresh", "actionLogin", "actionStartAtLogin", "actionAbout",
                                "actionQuit"});
    EXPECT_TRUE(ui.actionStartAtLogin->isCheckable());
}

TEST(LayoutsTest, PendingWindowHasTableButtonsAndSnoozeChoices)
{
    rz::test::QtTestApp();
    QDialog w;
    Ui::MWinPendingReminders ui;
    ui.setupUi(&w);
    EXPECT_NE(w.findChild<QTableView*>("tableView"), nullptr);
    ExpectChildren<QPushButton>(w, {"buttonDismiss", "buttonDismissAll", "buttonOpen", "buttonSnooze"});
    ASSERT_NE(ui.snoozeCombo, nullptr);
    EXPECT_TRUE(ui.snoozeCombo->isEditable());
    QStringList choices;
    for (int i = 0; i < ui.snoozeCombo->count(); ++i) {
        choices << ui.snoozeCombo->itemText(i);
    }
    EXPECT_EQ(choices, QStringList({"5 minutes", "10 minutes", "15 minutes", "30 minutes", "1 hour",
                                    "2 hours", "1 day"}));
    ExpectButtonsUncut(w);
}

TEST(LayoutsTest, AboutWindowHasVersionLinksAndClose)
{
    rz::test::QtTestApp();
    QDialog w;
    Ui::MWinAbout ui;
    ui.setupUi(&w);
    EXPECT_NE(w.findChild<QLabel*>("tfVersion"), nullptr);
    ExpectChildren<QPushButton>(w, {"buttonLabelWebsite", "buttonLabelSupport", "buttonClose"});
    ASSERT_NE(ui.iconLabel->pixmap().isNull(), true) << "icon resource found";
    ExpectButtonsUncut(w);
}

TEST(LayoutsTest, MonitorAndSignInWindowsHaveTheirFields)
{
    rz::test::QtTestApp();
    QDialog monitor;
    Ui::MWinMonitor monitorUi;
    monitorUi.setupUi(&monitor);
    ExpectChildren<QLabel>(monitor, {"labelLoginValue", "labelMonitorNotebooksValue",
                                     "labelMonitorPagesValue", "labelTimeGetPageValue"});

    QDialog login;
    Ui::MWinLogin loginUi;
    loginUi.setupUi(&login);
    ASSERT_NE(loginUi.webViewHost, nullptr);
    EXPECT_EQ(loginUi.webViewHost->layout(), loginUi.webViewLayout);
}

// A to-do, a section name or a message from the service may hold a tag: shown as it is, never as markup.
TEST(LayoutsTest, LabelsShowingNotesOrServiceTextArePlain)
{
    rz::test::QtTestApp();
    QDialog monitor, pending, login;
    Ui::MWinMonitor monitorUi;
    Ui::MWinPendingReminders pendingUi;
    Ui::MWinLogin loginUi;
    monitorUi.setupUi(&monitor);
    pendingUi.setupUi(&pending);
    loginUi.setupUi(&login);
    for (const QLabel* label :
         {monitorUi.labelLoginValue, monitorUi.labelMonitorNotebooksValue, monitorUi.labelMonitorPagesValue,
          monitorUi.labelTimeGetPageValue, pendingUi.toDoStatusLabel, loginUi.messageText}) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

} // namespace
