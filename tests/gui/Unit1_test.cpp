// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp1251.h"
#include "common/errors.h"
#include "gui/differences_window.h"
#include "gui/link_worker.h"
#include "gui/main_window_fixture.h"
#include "check/data_check.h"
#include "settings_file/settings_file.h"
#include "layout/image_layout.h"
#include "layout/general_keys.h"
#include "image/image_streams.h"
#include "support/sim_process.h"
#include "support/unknown_values.h"
#include "sim/station_memory.h"
#include "journal/journal.h"
#include "journal/journal_store.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QToolButton>
#include <QDir>
#include "station_link/link_preferences.h"
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWindow>
#include <gtest/gtest.h>
#include <algorithm>
#include <iostream>
#include <thread>

using namespace tolvin;
using tolvin::test::MainWindowTest;

namespace {

class LinkWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        link->setOptionsPath(options);
        link->setPreferencesPath(preferences);
        link->setBackupFolder(backups);
    }
    void writeOptions(const char *text) {
        QFile f(options);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QTemporaryDir dir;
    QString options = dir.filePath(QStringLiteral("T702Options.ini"));
    QString preferences = dir.filePath(QStringLiteral("config/tolvin.ini"));
    QString backups = dir.filePath(QStringLiteral("backups"));
};

} // namespace

TEST_F(LinkWindowTest, ControlsAsTheTechnicianKnowsThem) {
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -"));
    EXPECT_EQ(link->Gauge1->orientation(), Qt::Vertical);
    EXPECT_EQ(link->Gauge1->minimum(), 0);
    EXPECT_EQ(link->Gauge1->maximum(), 100);
    EXPECT_EQ(link->BitBtn1->text(), QStringLiteral("Выход"));
    EXPECT_EQ(link->BitBtn2->text(), QStringLiteral("Запись данных "));
    EXPECT_EQ(link->BitBtn3->text(), QStringLiteral("Чтение данных "));
    EXPECT_EQ(link->BitBtn5->text(), QStringLiteral("Чтение типа р/с"));
    EXPECT_FALSE(link->UsbButton->isEnabled());
    EXPECT_EQ(link->RadioButton1->text(), QStringLiteral(" COM1"));
    EXPECT_EQ(link->RadioButton2->text(), QStringLiteral(" COM2"));
    EXPECT_EQ(link->RadioButton1->toolTip(), QStringLiteral("Верхний разъем"));
    EXPECT_EQ(link->RadioButton2->toolTip(), QStringLiteral("Нижний разъем"));
    EXPECT_TRUE(link->RadioButton2->isChecked());
    EXPECT_EQ(link->SelectedPort, 0);
    // Where the technician knows them; what protects the station sits in a strip below.
    EXPECT_EQ(link->BitBtn2->geometry(), QRect(12, 12, 130, 28));
    EXPECT_EQ(link->BitBtn1->geometry(), QRect(12, 150, 130, 28));
    EXPECT_EQ(link->StaticText1->geometry(), QRect(160, 80, 60, 24));
    EXPECT_EQ(link->Gauge1->geometry(), QRect(355, 12, 30, 166));
    for (QWidget *w : std::initializer_list<QWidget *>{link->BackupBox, link->VerifyBox, link->CompareButton, link->SafeguardText,
                                                       link->ResultText}) {
        EXPECT_GE(w->y(), 190) << w->objectName().toStdString();
        EXPECT_LE(w->geometry().bottom(), link->height()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(link->BackupBox->isChecked());
    EXPECT_TRUE(link->VerifyBox->isChecked());
    // The way out of an exchange sits beside "Выход", under the status, and only works during one.
    EXPECT_EQ(link->StopButton->text(), QStringLiteral("Прервать"));
    EXPECT_FALSE(link->StopButton->isEnabled());
    for (QWidget *w : {static_cast<QWidget *>(link->StopButton), static_cast<QWidget *>(link->PhaseText)}) {
        EXPECT_GE(w->x(), link->StaticText1->x()) << w->objectName().toStdString();
        EXPECT_LT(w->geometry().right(), link->Gauge1->x()) << w->objectName().toStdString();
        EXPECT_GE(w->y(), link->StaticText1->geometry().bottom()) << w->objectName().toStdString();
        EXPECT_LE(w->geometry().bottom(), link->BitBtn1->geometry().bottom()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(link->ResultText->text().isEmpty());
}

TEST_F(LinkWindowTest, BackupAndVerifyChoicesKeptInTheProgramsOwnSettings) {
    link->BackupBox->click();
    EXPECT_FALSE(link->BackupBox->isChecked());
    TForm1 again(*main);
    again.setPreferencesPath(preferences);
    EXPECT_FALSE(again.BackupBox->isChecked());
    EXPECT_TRUE(again.VerifyBox->isChecked());
    link->VerifyBox->click();
    link->BackupBox->click();
    again.setPreferencesPath(preferences);
    EXPECT_TRUE(again.BackupBox->isChecked());
    EXPECT_FALSE(again.VerifyBox->isChecked());
    EXPECT_FALSE(QFile::exists(options)) << "the options file is never written";
}

TEST_F(LinkWindowTest, PortChoiceReadOncePerRun) {
    struct Case { const char *file; int port; bool com1; const char *device; };
    const Case cases[] = {
        {"[All]\r\nPort=1\r\n", 1, true, "/dev/ttyS0"},
        {"[All]\r\nPort=2\r\n", 2, false, "/dev/ttyS1"},
        {"[All]\r\nPort=4\r\n", 4, true, "/dev/ttyS3"},
        {nullptr, 2, false, "/dev/ttyS1"},
        {"[All]\r\nPort=1\r\nCOM1=/dev/pts/9\r\n", 1, true, "/dev/pts/9"},
    };
    for (const Case &c : cases) {
        link = std::make_unique<TForm1>(*main);
        link->setOptionsPath(options);
        connectLinkWindow(*main, *link);
        QFile::remove(options);
        if (c.file)
            writeOptions(c.file);
        main->LinkClick();
        EXPECT_TRUE(link->isVisible());
        EXPECT_EQ(link->SelectedPort, c.port) << (c.file ? c.file : "missing");
        EXPECT_EQ(link->RadioButton1->isChecked(), c.com1);
        EXPECT_EQ(link->RadioButton2->isChecked(), !c.com1);
        EXPECT_EQ(link->selectedDevice(), QString::fromLatin1(c.device));
        link->BitBtn1Click();
        EXPECT_FALSE(link->isVisible());
    }
    // Read once: a changed file is not looked at again in this run.
    writeOptions("[All]\r\nPort=2\r\n");
    main->LinkClick();
    EXPECT_EQ(link->SelectedPort, 1);
    // The radio buttons override the file for the rest of the run.
    link->RadioButton2->click();
    EXPECT_EQ(link->SelectedPort, 2);
    link->BitBtn1Click();
    writeOptions("[All]\r\nPort=1\r\n");
    main->LinkClick();
    EXPECT_EQ(link->SelectedPort, 2);
    // Marked "нет устройства" on a computer without that port.
    EXPECT_EQ(link->Com2Device->toolTip(), QFileInfo::exists(QStringLiteral("/dev/ttyS1"))
                                            ? QStringLiteral("/dev/ttyS1")
                                            : QStringLiteral("/dev/ttyS1 (нет устройства)"));
    // The program never writes the options file.
    QFile f(options);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[All]\r\nPort=1\r\n"));
}

TEST_F(LinkWindowTest, LongNamesAreCutInTheMiddleAndWholeInTheToolTip) {
    const QString title = QStringLiteral("Прием и передача информации в станцию");
    const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const QChar cut(0x2026);
    link->pickDevice(1, byId);
    link->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(link.get()));
    const QString shown = link->Com1Device->text();
    // Missing here: the words are in the tool-tip, the label is red and keeps the name's end.
    EXPECT_EQ(link->Com1Device->toolTip(), byId + QStringLiteral(" (нет устройства)"));
    EXPECT_EQ(link->Com1Device->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/dev/")) && shown.contains(cut)) << shown.toStdString();
    EXPECT_TRUE(byId.endsWith(shown.section(cut, 1))) << shown.toStdString();
    for (QToolButton *b : {link->Com1Device, link->Com2Device})
        EXPECT_LT(b->fontMetrics().horizontalAdvance(b->text()), b->width()) << b->text().toStdString();
    // The title bar's title is cut when the window is narrower than it, and whole again when
    // it is not; the window's own title stays whole.
    for (int w : {900, 200, 900}) {
        link->setFixedWidth(w);
        const QString bar = link->windowHandle()->title();
        EXPECT_EQ(link->windowTitle(), title);
        if (w > 200) {
            EXPECT_EQ(bar, title);
            EXPECT_TRUE(link->toolTip().isEmpty());
        } else {
            EXPECT_TRUE(bar.startsWith(title.front()) && bar.endsWith(title.back()) && bar.contains(cut)) << bar.toStdString();
            EXPECT_EQ(link->toolTip(), title);
        }
    }
}

TEST_F(LinkWindowTest, ExchangeDrivesTheWindowFromItsThread) {
    main->LinkClick();
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<bool> ranElsewhere{false};
    std::atomic<bool> release{false};
    ASSERT_TRUE(link->worker().start([&](LinkObserver &obs, const std::atomic<bool> &) {
        ranElsewhere = std::this_thread::get_id() != gui;
        obs.buttonsEnabled(false);
        obs.status(QStringLiteral("ПР"));
        obs.transferred(ExchangeKind::Write, 0, 3);
        obs.transferred(ExchangeKind::Write, 1, 3);
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        obs.transferred(ExchangeKind::Write, 3, 3);
    }));
    EXPECT_FALSE(link->worker().start([](LinkObserver &, const std::atomic<bool> &) {})) << "one exchange at a time";
    QTRY_COMPARE_WITH_TIMEOUT(link->StaticText1->text(), QStringLiteral("ПР"), 5000);
    EXPECT_EQ(link->Gauge1->value(), 33);
    EXPECT_FALSE(link->BitBtn1->isEnabled());
    EXPECT_FALSE(link->BitBtn2->isEnabled());
    EXPECT_FALSE(link->BitBtn3->isEnabled());
    EXPECT_TRUE(link->exchangeRunning());
    release = true;
    QTRY_VERIFY_WITH_TIMEOUT(!link->exchangeRunning(), 5000);
    EXPECT_TRUE(ranElsewhere);
    EXPECT_EQ(link->Gauge1->value(), 100);
    EXPECT_TRUE(link->BitBtn1->isEnabled());
    EXPECT_TRUE(link->BitBtn2->isEnabled());
    EXPECT_TRUE(op.messages.isEmpty());

    // A failure on the worker becomes one message on the window's thread.
    ASSERT_TRUE(link->worker().start([](LinkObserver &, const std::atomic<bool> &) {
        throw LinkError(LinkError::Kind::NotOpen, QStringLiteral("Порт /dev/ttyS1 не открыт"));
    }));
    QTRY_VERIFY_WITH_TIMEOUT(!link->exchangeRunning(), 5000);
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Порт /dev/ttyS1 не открыт")});

    // Stopping waits for the exchange, which sees the request.
    std::atomic<bool> sawStop{false};
    ASSERT_TRUE(link->worker().start([&](LinkObserver &, const std::atomic<bool> &stop) {
        while (!stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sawStop = true;
    }));
    link->worker().stop();
    EXPECT_TRUE(sawStop);
}

namespace {

// The link window against a virtual station on COM1.
class LinkWithStationTest : public LinkWindowTest {
protected:
    void startStation(const QStringList &args) {
        sim = std::make_unique<tolvin::test::SimProcess>(args);
        ASSERT_FALSE(sim->path.isEmpty());
        writeOptions(QStringLiteral("[All]\r\nPort=1\r\nCOM1=%1\r\n").arg(sim->path).toLatin1().constData());
        main->LinkClick();
        ASSERT_EQ(link->selectedDevice(), sim->path);
    }
    // Another station on COM1 of the same window, as a technician swapping cables.
    void useStation(const QStringList &args) {
        sim = std::make_unique<tolvin::test::SimProcess>(args);
        ASSERT_FALSE(sim->path.isEmpty());
        main->LinkClick();
        link->RadioButton1->click();
        link->pickDevice(1, sim->path);
        ASSERT_EQ(link->selectedDevice(), sim->path);
    }
    void waitForTheEnd() { QTRY_VERIFY_WITH_TIMEOUT(!link->exchangeRunning(), 60000); }
    // A table of the band the simulated station answers for (7К-62), so the write's type check
    // lets it through.
    void stationsBandTemplate(const QString &count) {
        main->BandClick(2);
        makeTemplate(count, QStringLiteral("150000"));
    }
    // Another station on COM1 for the same window, picked from the port list.
    void switchStation(const QStringList &args) {
        sim = std::make_unique<tolvin::test::SimProcess>(args);
        ASSERT_FALSE(sim->path.isEmpty());
        link->pickDevice(1, sim->path);
        ASSERT_EQ(link->selectedDevice(), sim->path);
    }
    void TearDown() override {
        LinkWindowTest::TearDown();
        sim.reset();
    }
    std::unique_ptr<tolvin::test::SimProcess> sim;
};

} // namespace

TEST_F(LinkWithStationTest, WindowKeepsRepaintingDuringALongWriteAndClosingStopsIt) {
    startStation({QStringLiteral("--line-rate")});
    stationsBandTemplate(QStringLiteral("99"));
    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    op.clear();
    link->BackupBox->setChecked(false);
    link->VerifyBox->setChecked(false);
    QList<int> gauge;
    QObject::connect(link->Gauge1, &QProgressBar::valueChanged, [&](int v) { gauge << v; });
    link->BitBtn2Click();
    ASSERT_TRUE(link->exchangeRunning());
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QTest::qWait(1500);
    EXPECT_GE(ticks, 30) << "the event loop ran while bytes went out";
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("ПР"));
    ASSERT_FALSE(gauge.isEmpty());
    EXPECT_GT(gauge.last(), 0) << "the gauge moves with the bytes";
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));
    EXPECT_TRUE(link->PhaseText->text().startsWith(QStringLiteral("Запись\nпрошло 0:0"))) << link->PhaseText->text().toStdString();
    EXPECT_TRUE(link->PhaseText->text().contains(QStringLiteral(", осталось "))) << link->PhaseText->text().toStdString();
    EXPECT_TRUE(link->StopButton->isEnabled());
    EXPECT_FALSE(link->BitBtn1->isEnabled());
    EXPECT_FALSE(link->BitBtn2->isEnabled());
    EXPECT_FALSE(link->BitBtn3->isEnabled());
    EXPECT_FALSE(link->BitBtn5->isEnabled());
    // Closing the program in the middle: the exchange stops at its next byte, no crash.
    QElapsedTimer t;
    t.start();
    link.reset();
    EXPECT_LT(t.elapsed(), 2000);
}

TEST_F(LinkWithStationTest, ReadFillsTheEditor) {
    startStation({});
    link->BitBtn3Click();
    waitForTheEnd();
    EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -"));
    EXPECT_EQ(link->Gauge1->value(), 100) << "the whole read done";
    EXPECT_EQ(ed().table.channelCount(), 4);
    EXPECT_EQ(ed().memo.first(), QStringLiteral("[Общие установки]"));
    EXPECT_EQ(ed().memo.size(), 1 + qsizetype(GeneralKeys.size())) << "every key, the special channel with the records";
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-62"));
    EXPECT_TRUE(ed().view.grid);
    EXPECT_FALSE(ed().view.memo) << "the settings text waits for Выход";
    EXPECT_EQ(ed().state.DataChecked, 0);
    link->BitBtn1Click();
    EXPECT_TRUE(main->Memo1->isVisible());
    EXPECT_EQ(main->Memo1->toPlainText().split('\n'), ed().memo);
}

// A station whose memory fails the check (here: channel 1's receive word stored with its first
// byte inverted) fills the table with what it holds, and the technician is told.
TEST_F(LinkWithStationTest, ReadOfDataThatFailsTheCheckSaysSo) {
    startStation({QStringLiteral("--corrupt-byte"), QString::number(WriteStreamFixedLength + RecordByte::RxWord + 1)});
    stationsBandTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    link->BackupBox->setChecked(false);
    link->VerifyBox->setChecked(false);
    link->BitBtn2Click();
    waitForTheEnd();
    op.clear();
    link->BitBtn3Click();
    waitForTheEnd();
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_TRUE(op.lastMessage().startsWith(QStringLiteral("Данные станции не проходят «Контроль»: ")))
        << op.lastMessage().toStdString();
    EXPECT_TRUE(op.lastMessage().endsWith(QStringLiteral("Возможны помехи на линии."))) << op.lastMessage().toStdString();
    EXPECT_EQ(ed().table.channelCount(), 3);
}

TEST_F(LinkWithStationTest, SilentStationShowsAK) {
    startStation({QStringLiteral("--silent")});
    link->BitBtn3Click();
    waitForTheEnd();
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("AK"));
    EXPECT_TRUE(link->BitBtn1->isEnabled());
    EXPECT_TRUE(link->BitBtn3->isEnabled());
    EXPECT_EQ(ed().memo, QStringList()) << "the editor is as it was before the read";
    EXPECT_EQ(op.messages.size(), 1);
    // The window is ready for the next attempt.
    sim.reset();
}

TEST_F(LinkWithStationTest, WriteToASilentStationSaysSo) {
    startStation({QStringLiteral("--silent")});
    makeTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    link->BackupBox->setChecked(false);
    link->VerifyBox->setChecked(false);
    op.clear();
    link->BitBtn2Click();
    waitForTheEnd();
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Станция не ответила на запрос записи")});
    EXPECT_TRUE(link->BitBtn2->isEnabled());
    sim.reset();
}

TEST_F(LinkWithStationTest, TypeQuerySwitchesTheBandAndReturnsToTheMainWindow) {
    // The band already shown would change nothing in sight: the type is said instead.
    struct Case { int type; uint8_t before; uint8_t after; const char16_t *title; const char16_t *message; };
    const Case cases[] = {
        {2, 2, 2, u"Толвин 7К-61", u"Станция 7К-61 (33-48,5 МГц): этот тип уже выбран"},
        {2, 0, 1, u"Толвин 7К-61", nullptr},
        {0, 1, 0, u"Толвин 7К-62", nullptr}, {4, 1, 4, u"Толвин 7К-63", nullptr},
        {test::UnknownTypeCode, 1, 1, u"Толвин 7К-61", u"Тип станции определить не удалось"},
    };
    for (const Case &c : cases) {
        link = std::make_unique<TForm1>(*main);
        link->setOptionsPath(options);
        connectLinkWindow(*main, *link);
        main->BandItems[0]->trigger();
        ed().state.StationType = c.before;
        startStation({QStringLiteral("--type"), QString::number(c.type)});
        op.clear();
        link->BitBtn5Click();
        waitForTheEnd();
        EXPECT_EQ(ed().state.StationType, c.after) << c.type;
        EXPECT_EQ(main->windowTitle(), QString::fromUtf16(c.title)) << c.type;
        EXPECT_EQ(op.messages, c.message ? QStringList{QString::fromUtf16(c.message)} : QStringList()) << c.type;
        EXPECT_FALSE(link->isVisible());
        EXPECT_FALSE(main->isMinimized());
    }
}

TEST_F(LinkWithStationTest, WriteWithBackupAndVerifyLeavesTheEditorAlone) {
    startStation({});
    stationsBandTemplate(QStringLiteral("12"));
    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    op.clear();
    const QStringList rx = [&] {
        QStringList l;
        for (int r = 1; r <= 12; ++r)
            l << ed().table.cell(ColRx, r);
        return l;
    }();
    link->BitBtn2Click();
    waitForTheEnd();
    EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    const QStringList files = QDir(backups).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith(QStringLiteral("070001_")));
    EXPECT_EQ(link->SafeguardText->text(), QStringLiteral("копия %1; проверено").arg(files[0]));
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -"));
    EXPECT_TRUE(link->BitBtn2->isEnabled());
    EXPECT_TRUE(link->CompareButton->isEnabled());
    // Neither the backup read (4 channels) nor the check read reached the table.
    EXPECT_EQ(ed().table.channelCount(), 12);
    for (int r = 1; r <= 12; ++r)
        EXPECT_EQ(ed().table.cell(ColRx, r), rx[r - 1]);
    EXPECT_EQ(ed().state.DataChecked, 1);
}

TEST_F(LinkWithStationTest, AFailedVerifyIsOneMessageListingTheDifference) {
    // The "  ШП" of the second channel, counted from 1.
    startStation({QStringLiteral("--corrupt-byte"), QString::number(WriteStreamFixedLength + RecordSize + RecordByte::Noise + 1)});
    stationsBandTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    op.clear();
    link->BitBtn2Click();
    waitForTheEnd();
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Проверка после записи: станция хранит не то, что записано "
                                                      "(различий: 1)\nканал 2: ШП 254 вместо 1")});
    EXPECT_TRUE(link->BitBtn2->isEnabled());
}

TEST_F(LinkWithStationTest, CompareListsTheDifferencesAndChangesNothing) {
    startStation({});
    op.clear();
    link->CompareButton->click();
    EXPECT_FALSE(link->exchangeRunning()) << "nothing to compare before a table exists";
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_TRUE(op.lastMessage().startsWith(QStringLiteral("Сравнение со станцией невозможно: ")));

    link->BitBtn3Click();
    waitForTheEnd();
    op.clear();
    link->CompareButton->click();
    waitForTheEnd();
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Станция 070001 совпадает с конфигурацией")});

    main->act([&] { ed().table.setCell(ColRx, 2, QStringLiteral("150006,25")); });
    op.clear();
    link->CompareButton->click();
    waitForTheEnd();
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Станция 070001 отличается от конфигурации (различий: 1):\n"
                                                      "канал 2: Rx 150000,00 вместо 150006,25")});
    EXPECT_EQ(ed().table.cell(ColRx, 2), QStringLiteral("150006,25"));
    EXPECT_EQ(ed().state.DataChecked, 0) << "comparing is not Контроль";
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -"));
}

TEST_F(LinkWithStationTest, ExchangesGoIntoTheLogAndThePortListPicksTheDevice) {
    startStation({QStringLiteral("--type"), QStringLiteral("0")});
    link->BitBtn5Click();
    waitForTheEnd();
    const QString logged = main->exchangeLog()->text();
    EXPECT_TRUE(logged.contains(QStringLiteral("открытие порта ") + sim->path)) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QStringLiteral("->  61")));

    // A made-up computer with one USB adapter: picking it for COM2 is kept in tolvin.ini.
    QTemporaryDir fake;
    QDir().mkpath(fake.filePath(QStringLiteral("dev")));
    QFile node(fake.filePath(QStringLiteral("dev/ttyUSB3")));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    node.close();
    link->setDeviceRoots(fake.filePath(QStringLiteral("dev")), fake.filePath(QStringLiteral("sys")));
    main->LinkClick();
    QTimer::singleShot(0, [&] {
        QMenu *m = link->portMenu();
        ASSERT_NE(m, nullptr);
        QStringList items;
        for (QAction *a : m->actions())
            items << a->text();
        EXPECT_EQ(items, (QStringList{fake.filePath(QStringLiteral("dev/ttyUSB3")), QString(), QStringLiteral("Как в T702Options.ini")}));
        m->actions().first()->trigger();
        m->close();
    });
    link->showPortList(2);
    EXPECT_EQ(link->deviceOf(2), fake.filePath(QStringLiteral("dev/ttyUSB3")));
    EXPECT_EQ(link->Com2Device->toolTip(), fake.filePath(QStringLiteral("dev/ttyUSB3")));
    EXPECT_EQ(readPickedDevice(preferences, 2), fake.filePath(QStringLiteral("dev/ttyUSB3")));
    EXPECT_EQ(link->deviceOf(1), sim->path) << "COM1 still as the options file says";
    // The options file itself stays as it was.
    QFile f(options);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains("ttyUSB3"));
    link->pickDevice(2, QString());
    EXPECT_EQ(link->deviceOf(2), QStringLiteral("/dev/ttyS1"));
}

// Adapters come and go while the window is open: the device beside COM2 says when its adapter is
// gone and when it is back, and an open port list follows, without a poll.
TEST_F(LinkWithStationTest, DevicesThatComeAndGoAreMarkedAtOnce) {
    startStation({});
    QTemporaryDir fake;
    const QString dev = fake.filePath(QStringLiteral("dev"));
    QDir().mkpath(dev);
    const QString adapter = dev + QStringLiteral("/ttyUSB7");
    auto plug = [&] {
        QFile node(adapter);
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    };
    plug();
    link->setDeviceRoots(dev, fake.filePath(QStringLiteral("sys")));
    link->pickDevice(2, adapter);
    EXPECT_EQ(link->Com2Device->toolTip(), adapter);
    QFile::remove(adapter);
    EXPECT_TRUE(QTest::qWaitFor([&] { return link->Com2Device->toolTip() == adapter + QStringLiteral(" (нет устройства)"); }, 3000))
        << link->Com2Device->toolTip().toStdString();
    plug();
    EXPECT_TRUE(QTest::qWaitFor([&] { return link->Com2Device->toolTip() == adapter; }, 3000));

    // A second adapter appears while the list is open.
    QStringList seen;
    QTimer::singleShot(0, [&] {
        QFile second(dev + QStringLiteral("/ttyUSB8"));
        ASSERT_TRUE(second.open(QIODevice::WriteOnly));
        second.close();
        (void)QTest::qWaitFor([&] { return link->portMenu() && link->portMenu()->actions().size() == 4; }, 3000);
        for (QAction *a : link->portMenu()->actions())
            seen << a->text();
        link->portMenu()->close();
    });
    link->showPortList(2);
    EXPECT_EQ(seen, (QStringList{adapter, dev + QStringLiteral("/ttyUSB8"), QString(), QStringLiteral("Как в T702Options.ini")}));
    link->pickDevice(2, QString());
}

namespace {

QByteArray typeQuery() {
    return QByteArray(reinterpret_cast<const char *>(TypeQuerySequence.data()), int(TypeQuerySequence.size()));
}

// What a write of the editor's image sends: the opening, then the stream.
QByteArray writeBytes(const Editor &ed) {
    const EditorState &s = ed.state;
    return openingSequence(s.StationType) + encodeWriteStream({s.image, s.ModuleType, s.StationType});
}

// Presses "Прервать" the moment an exchange of `kind` has `after` bytes behind it (of the
// `nth` exchange of that kind in the job), as a technician watching the phase would, and
// measures how long the window then takes to be ready.
struct StopWhen {
    StopWhen(TForm1 &link, ExchangeKind kind, int nth, int after) {
        m_c = QObject::connect(&link.worker(), &LinkWorker::transferred, [&link, kind, nth, after, this](int k, int done, int) {
            if (ExchangeKind(k) != kind)
                return;
            if (done == 0)
                ++m_seen;
            if (pressed || m_seen != nth || done < after)
                return;
            pressed = true;
            phaseAtPress = link.PhaseText->text().section(QLatin1Char('\n'), 0, 0);
            clock.start();
            link.StopButton->click();
        });
    }
    ~StopWhen() { QObject::disconnect(m_c); }
    bool pressed = false;
    QString phaseAtPress;
    QElapsedTimer clock;

private:
    QMetaObject::Connection m_c;
    int m_seen = 0;
};

bool isRed(const QLabel *l) {
    const QColor c = l->palette().color(QPalette::WindowText);
    return c.red() > c.green();
}

} // namespace

// A 7К-61 table against a station that answers as 7К-64 though its memory holds 7К-61 data:
// with a backup or without, nothing of the write goes out until the technician says yes to the
// question naming both; the line says nothing while the question is up.
TEST_F(LinkWithStationTest, TypeGuardAsksAndWritesOnlyOnYes) {
    const QString memory = dir.filePath(QStringLiteral("station.json"));
    saveStationMemory(memory, defaultStationMemory(1));
    startStation({QStringLiteral("--type"), QStringLiteral("3"), QStringLiteral("--memory"), memory, QStringLiteral("--log")});
    makeTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    link->VerifyBox->setChecked(false);
    const QString question = QStringLiteral(
        "В станции 7К-64 (400-470 МГц), а данные подготовлены для 7К-61 (33-48,5 МГц). Записать всё равно?");
    QByteArray sent;
    for (const bool backup : {true, false}) {
        link->BackupBox->setChecked(backup);
        op.clear();
        op.confirmAnswers << false;
        QString lineWhileAsked = QStringLiteral("not asked");
        op.whileConfirmShows = [&] { lineWhileAsked = link->ResultText->text(); };
        link->BitBtn2Click();
        waitForTheEnd();
        op.whileConfirmShows = nullptr;
        EXPECT_EQ(op.events, QStringList{QStringLiteral("confirm:") + question}) << backup;
        EXPECT_EQ(lineWhileAsked, QString()) << backup;
        EXPECT_TRUE(isRed(link->ResultText)) << backup;
        EXPECT_EQ(link->SafeguardText->text().contains(
                      QStringLiteral("(в памяти станции данные для 7К-61, а станция отвечает как 7К-64)")),
                  backup)
            << link->SafeguardText->text().toStdString();
        sent += (backup ? QByteArray(1, char(ReadCommand)) : QByteArray()) + typeQuery();
    }

    op.clear();
    op.confirmAnswers << true;
    link->BitBtn2Click();
    QTRY_VERIFY_WITH_TIMEOUT(op.events.contains(QStringLiteral("confirm:") + question), 10000);
    QTest::qWait(100);
    waitForTheEnd();
    EXPECT_EQ(op.messages, QStringList());
    EXPECT_EQ(sim->received(), sent + typeQuery() + writeBytes(ed()));
}

// The window says and does only what is true: every control that would start a job or change
// its port goes off the moment a job starts; a later job does not show the last one's backup.
TEST_F(LinkWithStationTest, ControlsGoOffAtOnceAndNothingStaleStays) {
    startStation({QStringLiteral("--line-rate")});
    stationsBandTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    link->BackupBox->setChecked(true);
    link->VerifyBox->setChecked(false);
    link->BitBtn2Click();
    const QList<QWidget *> controls{link->BitBtn1, link->BitBtn2, link->BitBtn3, link->BitBtn5, link->CompareButton,
                                    link->RadioButton1, link->RadioButton2, link->Com1Device, link->Com2Device};
    for (QWidget *w : controls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    waitForTheEnd();
    EXPECT_TRUE(link->SafeguardText->text().startsWith(QStringLiteral("копия "))) << link->SafeguardText->text().toStdString();
    for (QWidget *w : controls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

    op.clear();
    link->BitBtn5Click();
    waitForTheEnd();
    EXPECT_EQ(link->SafeguardText->text(), QString());
}

// An edit after "Контроль" is checked again and reaches the station; one that breaks a rule
// stops the write with the rule's message.
TEST_F(LinkWithStationTest, WhatIsWrittenIsWhatIsShown) {
    startStation({QStringLiteral("--log")});
    main->BandClick(2);
    makeTemplate(QStringLiteral("3"), QStringLiteral("150000"));
    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    link->BackupBox->setChecked(false);
    link->VerifyBox->setChecked(false);
    main->act([&] { ed().table.setCell(ColRx, 2, QStringLiteral("151000")); });
    op.clear();
    link->BitBtn2Click();
    waitForTheEnd();
    EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    EXPECT_EQ(ed().state.DataChecked, 1);
    const QByteArray sent = writeBytes(ed());
    Editor fresh = ed();
    test::RecordingOperator quiet;
    ASSERT_TRUE(runDataCheck(fresh, quiet));
    EXPECT_EQ(sent, writeBytes(fresh)) << "the image is the edited table's";

    main->act([&] { ed().table.setCell(ColRx, 2, QStringLiteral("999999")); });
    op.clear();
    link->BitBtn2Click();
    waitForTheEnd();
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_EQ(ed().state.DataChecked, 0);
    EXPECT_EQ(sim->received(), typeQuery() + sent) << "the second write sent nothing";
}

// A read that stops at any phase leaves the editor as it was, byte for byte, with no undo step;
// a complete read is one undo step.
TEST_F(LinkWithStationTest, FailedReadLeavesTheEditorAsItWas) {
    const QTemporaryDir dir;
    makeTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    const QString before = dir.filePath(QStringLiteral("before.ini"));
    saveSettingsFile(ed(), before);
    const QByteArray input = checkedInput(ed());
    const int steps = main->undoStack()->count();
    // Header, tones, settings, record 1, record 3 of the default station's four.
    startStation({});
    for (const int sent : {ReadPiece::Head / 2, ReadPiece::Head + 5, ReadPiece::Head + ReadPiece::Tones + 5,
                           ReadStreamFixedLength + RecordSize / 2, ReadStreamFixedLength + 2 * RecordSize + RecordSize / 2}) {
        switchStation({QStringLiteral("--stop-sending-after"), QString::number(sent)});
        op.clear();
        link->BitBtn3Click();
        waitForTheEnd();
        ASSERT_EQ(op.messages.size(), 1) << sent;
        EXPECT_TRUE(op.lastMessage().endsWith(QStringLiteral("\nТаблица и общие установки не изменены")))
            << op.lastMessage().toStdString();
        const QString after = dir.filePath(QStringLiteral("after%1.ini").arg(sent));
        saveSettingsFile(ed(), after);
        QFile a(before), b(after);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll(), b.readAll()) << sent;
        EXPECT_EQ(checkedInput(ed()), input) << sent;
        EXPECT_EQ(ed().state.DataChecked, 1) << sent;
        EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-61")) << sent;
        EXPECT_EQ(main->undoStack()->count(), steps) << sent;
    }
    switchStation({});
    link->BitBtn3Click();
    waitForTheEnd();
    EXPECT_EQ(ed().table.channelCount(), 4);
    EXPECT_EQ(main->undoStack()->count(), steps + 1);
    main->undoStack()->undo();
    EXPECT_EQ(ed().table.channelCount(), 3);
}

TEST_F(LinkWithStationTest, StopEndsEachPhaseAtOnceAndSaysWhatIsLeft) {
    stationsBandTemplate(QStringLiteral("6"));
    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    enum class Action { Write, Read };
    struct Case {
        const char *what;
        Action action;
        bool backup, verify;
        ExchangeKind kind;
        int nth;         // which exchange of that kind
        QString phase;   // as the window showed it when the button was pressed
        QString result;  // the start of the outcome line
        QString message; // part of the one message, empty: none
    };
    const Case cases[] = {
        {"backup", Action::Write, true, true, ExchangeKind::Read, 1, "Резервная копия",
         "Запись прервана до передачи данных: в станцию ничего не записано", "Запись не начата, станция не изменена"},
        {"write", Action::Write, true, true, ExchangeKind::Write, 1, "Запись", "Запись прервана на байте ",
         "Прежние данные станции можно записать из резервной копии "},
        {"check", Action::Write, false, true, ExchangeKind::Read, 1, "Проверка",
         "Проверка прервана: станция записана полностью, но не проверена", "Запись выполнена, но проверить ее не удалось"},
        {"read", Action::Read, false, false, ExchangeKind::Read, 1, "Чтение", "Чтение прервано: таблица не изменена", {}},
    };
    for (const Case &c : cases) {
        useStation({QStringLiteral("--line-rate")});
        link->BackupBox->setChecked(c.backup);
        link->VerifyBox->setChecked(c.verify);
        op.clear();
        const QString before = ed().memo.join(QLatin1Char('\n'));
        StopWhen stop(*link, c.kind, c.nth, 20);
        if (c.action == Action::Write)
            link->BitBtn2Click();
        else
            link->BitBtn3Click();
        ASSERT_TRUE(link->exchangeRunning()) << c.what;
        EXPECT_TRUE(link->StopButton->isEnabled()) << c.what;
        QTRY_VERIFY_WITH_TIMEOUT(!link->exchangeRunning(), 60000);
        const qint64 took = stop.clock.elapsed();
        ASSERT_TRUE(stop.pressed) << c.what;
        std::cout << "[ stop     ] " << c.what << ": ready " << took << " ms after Прервать\n";
        EXPECT_LT(took, 3000) << c.what;
        EXPECT_EQ(stop.phaseAtPress, c.phase) << c.what;
        EXPECT_TRUE(link->ResultText->text().startsWith(c.result)) << c.what << ": " << link->ResultText->text().toStdString();
        EXPECT_TRUE(isRed(link->ResultText)) << c.what;
        if (c.message.isEmpty()) {
            EXPECT_TRUE(op.messages.isEmpty()) << c.what << ": " << op.lastMessage().toStdString();
        } else {
            ASSERT_EQ(op.messages.size(), 1) << c.what;
            EXPECT_TRUE(op.lastMessage().contains(c.message)) << c.what << ": " << op.lastMessage().toStdString();
        }
        // The window is ready again, and has let go of the port.
        EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -")) << c.what;
        EXPECT_EQ(link->Gauge1->value(), 0) << c.what;
        EXPECT_TRUE(link->PhaseText->text().isEmpty()) << c.what;
        EXPECT_FALSE(link->StopButton->isEnabled()) << c.what;
        for (QPushButton *b : {link->BitBtn1, link->BitBtn2, link->BitBtn3, link->BitBtn5, link->CompareButton})
            EXPECT_TRUE(b->isEnabled()) << c.what << " " << b->objectName().toStdString();
        if (c.action == Action::Write) {
            EXPECT_EQ(ed().memo.join(QLatin1Char('\n')), before) << c.what << ": a write never changes the editor";
        }
        // The station itself is left mid-exchange (and mid-answer after a read) until its own
        // idle time has passed; then the next exchange works.
        QTest::qWait(2500);
        op.clear();
        link->BitBtn3Click();
        EXPECT_TRUE(link->ResultText->text().isEmpty()) << c.what << ": a new exchange clears the last outcome";
        waitForTheEnd();
        EXPECT_TRUE(link->ResultText->text().startsWith(QStringLiteral("Прочитано каналов: "))) << c.what << ": "
                                                                                            << link->ResultText->text().toStdString();
        EXPECT_FALSE(isRed(link->ResultText)) << c.what;
        EXPECT_EQ(link->Gauge1->value(), 100) << c.what;
        sim.reset();
    }
}

TEST_F(LinkWithStationTest, ClosingTheWindowDuringAnExchangeAsksFirst) {
    const QString question = QStringLiteral("confirm:Идет обмен со станцией. Прервать его?");
    startStation({QStringLiteral("--line-rate")});
    stationsBandTemplate(QStringLiteral("99"));
    main->CheckItem->trigger();
    link->BackupBox->setChecked(false);
    link->VerifyBox->setChecked(false);
    op.clear();
    link->BitBtn2Click();
    QTRY_COMPARE_WITH_TIMEOUT(link->StaticText1->text(), QStringLiteral("ПР"), 5000);

    // Нет: the write goes on.
    op.confirmAnswers = {false};
    EXPECT_FALSE(link->close());
    EXPECT_EQ(op.events, QStringList{question});
    QTest::qWait(300);
    EXPECT_TRUE(link->exchangeRunning());
    EXPECT_TRUE(link->isVisible());

    // Да: it stops at the next byte, says what the station holds, and the window goes.
    op.clear();
    op.confirmAnswers = {true};
    QElapsedTimer t;
    t.start();
    link->close();
    QTRY_VERIFY_WITH_TIMEOUT(!link->exchangeRunning(), 5000);
    std::cout << "[ stop     ] closing the window: ready " << t.elapsed() << " ms after Да\n";
    EXPECT_LT(t.elapsed(), 3000);
    ASSERT_EQ(op.events.size(), 2) << op.events.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(op.events[0], question);
    EXPECT_TRUE(op.events[1].startsWith(QStringLiteral("message:Запись прервана на байте "))) << op.events[1].toStdString();
    EXPECT_TRUE(op.events[1].endsWith(
        QStringLiteral(" из %1: станция записана не полностью").arg(WriteStreamFixedLength + RecordSize * 99)))
        << op.events[1].toStdString();
    EXPECT_FALSE(link->isVisible());
}

TEST_F(LinkWithStationTest, ClosingTheProgramDuringAnExchangeDoesNotAsk) {
    startStation({QStringLiteral("--line-rate")});
    op.clear();
    link->BitBtn3Click();
    ASSERT_TRUE(link->exchangeRunning());
    main->close();
    EXPECT_TRUE(op.events.filter(QStringLiteral("confirm:")).isEmpty());
    QElapsedTimer t;
    t.start();
    link.reset();
    EXPECT_LT(t.elapsed(), 2000);
}

TEST_F(LinkWithStationTest, TheWindowEndsSayingWhatHappened) {
    stationsBandTemplate(QStringLiteral("3"));
    main->CheckItem->trigger();
    const QRegularExpression tenths(QStringLiteral(", \\d+,\\d с$"));
    // A write or read that ran to its end says its pace against the line after the time.
    // A write gives its count once, before the time.
    const QRegularExpression pace(QStringLiteral("; (запись|\\d+ байт) за \\d+,\\d с, \\d+,\\d\\d × скорости линии$"));
    struct Case {
        const char *what;
        QStringList station;
        bool backup, verify, read;
        QString text;  // without the time
        bool ok;
    };
    const int written = WriteStreamFixedLength + RecordSize * 3;
    const Case cases[] = {
        {"written and checked", {}, true, true, false, QStringLiteral("Записано и проверено: %1 байт").arg(written), true},
        {"written", {}, false, false, false, QStringLiteral("Записано: %1 байт").arg(written), true},
        {"read", {}, false, false, true, "Прочитано каналов: 4", true},
        // The type query's three bytes, the opening byte, then 37 of the stream; the table is
        // the read's four channels now, checked again before the write.
        {"no answer", {"--stop-after", "41"}, false, false, false,
         QStringLiteral("Запись прервана на байте 38 из %1: станция записана не полностью. Станция не ответила")
             .arg(WriteStreamFixedLength + RecordSize * 4),
         false},
        {"silent", {"--silent"}, false, false, false, "Запись не выполнена: станция не ответила на запрос записи", false},
        {"read from a silent station", {"--silent"}, false, false, true, "Чтение не выполнено: станция не ответила: заголовок", false},
    };
    for (const Case &c : cases) {
        useStation(c.station);
        link->BackupBox->setChecked(c.backup);
        link->VerifyBox->setChecked(c.verify);
        QList<int> gauge;
        const auto watch = QObject::connect(link->Gauge1, &QProgressBar::valueChanged, [&](int v) { gauge << v; });
        if (c.read)
            link->BitBtn3Click();
        else
            link->BitBtn2Click();
        waitForTheEnd();
        QObject::disconnect(watch);
        QString text = link->ResultText->text();
        if (c.ok) {
            EXPECT_TRUE(text.contains(pace)) << c.what << ": " << text.toStdString();
            text.remove(pace);
            EXPECT_TRUE(text.contains(tenths)) << c.what << ": " << text.toStdString();
            text.remove(tenths);
        }
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(isRed(link->ResultText), !c.ok) << c.what;
        // The gauge follows the whole job, backup and check included, and never runs back; after
        // a failure it does not stay where the job broke off.
        EXPECT_EQ(link->Gauge1->value(), c.ok ? 100 : 0) << c.what;
        if (c.ok) {
            EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end())) << c.what;
            EXPECT_GE(gauge.size(), 10) << c.what << ": it moved along the way";
        }
        sim.reset();
    }
}

TEST_F(LinkWithStationTest, ALongListOfDifferencesOpensInAWindow) {
    startStation({});
    link->BitBtn3Click();  // the station's band
    waitForTheEnd();
    stationsBandTemplate(QStringLiteral("40"));
    main->CheckItem->trigger();
    op.clear();
    link->CompareButton->click();
    waitForTheEnd();
    EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    DifferencesWindow *w = link->differencesWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    const QStringList lines = w->text->toPlainText().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 36);
    EXPECT_TRUE(w->heading->text().endsWith(QStringLiteral("(различий: %1):").arg(lines.size()))) << w->heading->text().toStdString();
    for (int ch = 5; ch <= 40; ++ch)
        EXPECT_TRUE(lines.contains(QStringLiteral("канал %1: нет в станции").arg(ch))) << ch;
    EXPECT_TRUE(link->ResultText->text().startsWith(QStringLiteral("Станция отличается от конфигурации: различий %1, ").arg(lines.size())));
    // Copy and save: differences_window_test; here only the name the station gives the file.
    op.saveAnswers = {QString()};
    w->saveButton->click();
    EXPECT_EQ(op.requests.last().proposedName, QStringLiteral("отличия_070001.txt"));

    // A short list stays a message box.
    w->hide();
    link->BitBtn3Click();
    waitForTheEnd();
    main->act([&] { ed().table.setCell(ColRx, 2, QStringLiteral("150006,25")); });
    op.clear();
    link->CompareButton->click();
    waitForTheEnd();
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_EQ(op.lastMessage().count(QLatin1Char('\n')), 1);
    EXPECT_FALSE(w->isVisible());
}

// A read or a type query would put a changed table away: it asks first, and Отмена starts no
// exchange at all; after a finished read there is nothing to ask about.
TEST_F(LinkWithStationTest, ReadAndTypeQueryAskBeforeAChangedTableGoes) {
    startStation({});
    stationsBandTemplate(QStringLiteral("3"));
    const QString ask = QStringLiteral("askToSave:Сохранить изменения в «Без имени»?");
    for (auto start : {&TForm1::BitBtn3Click, &TForm1::BitBtn5Click}) {
        op.clear();
        op.saveQuestionAnswers = {SaveAnswer::Cancel};
        main->exchangeLog()->clear();
        ((*link).*start)();
        EXPECT_EQ(op.events, QStringList{ask});
        EXPECT_TRUE(link->BitBtn3->isEnabled()) << "no exchange started";
        EXPECT_FALSE(main->exchangeLog()->text().contains(QStringLiteral("открытие порта")));
        EXPECT_EQ(ed().table.channelCount(), 3);
    }
    op.clear();
    link->BitBtn3Click(); // Не сохранять
    waitForTheEnd();
    EXPECT_EQ(ed().table.channelCount(), 4);
    EXPECT_FALSE(main->isModified()) << "what the station holds is nothing to lose";
    op.clear();
    link->BitBtn5Click();
    waitForTheEnd();
    EXPECT_FALSE(op.events.join(QLatin1Char('\n')).contains(QStringLiteral("askToSave:")));
    // The type query's band switch is an undo step that brings the read table back.
    EXPECT_FALSE(ed().view.grid);
    main->undoStack()->undo();
    EXPECT_TRUE(ed().view.grid);
    EXPECT_EQ(ed().table.channelCount(), 4);
}

TEST_F(LinkWithStationTest, EachExchangeOfTheWindowGoesIntoTheStationJournal) {
    QTemporaryDir dir;
    const JournalPlace place = parseJournalPlace(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite")));
    auto journal = std::make_unique<Journal>(place);
    main->setJournal(journal.get());
    startStation({});
    stationsBandTemplate(QStringLiteral("6"));
    main->CheckItem->trigger();
    const QByteArray written = settingsFileBytes(ed());
    op.clear();
    link->BackupBox->setChecked(true);
    link->VerifyBox->setChecked(true);
    link->BitBtn2Click();
    waitForTheEnd();
    ASSERT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    link->CompareClick();
    waitForTheEnd();
    link->BitBtn3Click();
    waitForTheEnd();
    main->LinkClick();
    link->BitBtn5Click();
    waitForTheEnd();
    journal->flush();
    main->setJournal(nullptr);
    journal.reset();

    std::vector<JournalEntry> entries = JournalStore(place).list({});
    QStringList operations;
    for (const JournalEntry &e : entries)
        operations << e.operation + QLatin1Char(' ') + e.result;
    EXPECT_EQ(operations, (QStringList{"type ok", "read ok", "diff ok", "verify ok", "write ok", "backup ok"}));
    ASSERT_EQ(entries.size(), 6u);
    for (const JournalEntry &e : entries)
        EXPECT_EQ(e.device, sim->path) << e.operation.toStdString();
    EXPECT_EQ(entries[0].stationType, QStringLiteral("Толвин 7К-62"));
    EXPECT_EQ(entries[4].serial, QStringLiteral("070001"));
    const std::optional<JournalEntry> write = JournalStore(place).entry(entries[4].id);
    ASSERT_TRUE(write);
    EXPECT_EQ(write->config, written) << "the write keeps the file as «Запись в файл» saves it";
}

TEST_F(LinkWithStationTest, AWriteCutShortByClosingTheProgramIsJournaledAsStopped) {
    QTemporaryDir dir;
    const JournalPlace place = parseJournalPlace(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite")));
    Journal journal(place);
    main->setJournal(&journal);
    startStation({QStringLiteral("--line-rate")});
    stationsBandTemplate(QStringLiteral("99"));
    main->CheckItem->trigger();
    link->BackupBox->setChecked(false);
    link->VerifyBox->setChecked(false);
    link->BitBtn2Click();
    ASSERT_TRUE(link->exchangeRunning());
    QTest::qWait(800);
    link.reset(); // the window goes with the program; its end of the job never runs
    journal.flush();
    main->setJournal(nullptr);
    const std::vector<JournalEntry> entries = JournalStore(place).list({});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.front().operation, JournalOp::Write);
    EXPECT_EQ(entries.front().result, JournalResult::Stopped);
    EXPECT_TRUE(entries.front().message.startsWith(QStringLiteral("Запись прервана на байте"))) << entries.front().message.toStdString();
}
