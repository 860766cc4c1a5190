// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program's windows to PNG after a named scripted action, for looking at them
// without a desktop. Run through tools/screenshot, which provides the X server.
#include "Unit1.h"
#include "UnitMain.h"
#include "gui/batch_window.h"
#include "UnitP.h"
#include "UnitWindows.h"
#include "gui/appearance.h"
#include "gui/cell_editors.h"
#include "gui/qt_operator.h"
#include "gui/journal_window.h"
#include "gui/string_grid.h"
#include "journal/journal.h"
#include "settings_file/settings_file.h"
#include "station_link/port_finder.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QTemporaryDir>
#include <QFile>
#include <QMenu>
#include <QFont>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

// Dialogs are not wanted on a script: messages go to standard error.
struct ScriptOperator : tolvin::BatchOperator {
    void message(const QString &text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        messages << text;
    }
    QString openFileName(const tolvin::FileDialogRequest &) override { return openAnswer; }
    int choose(const QString &, const QString &, const QStringList &, int current) override { return current; }
    QString openAnswer;
};

// A message box as the technician sees it, left open for the picture.
QWidget *showMessage(QWidget *parent, const QString &text) {
    auto *box = new QMessageBox(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

void settle(int ms = 150) {
    QTest::qWait(ms);
}

void makeTemplate(TFormMain &w, const QString &count) {
    w.CreateTemplateClick();
    w.Edit1->setText(count);
    w.BitBtn1Click();
    settle();
}

// 99 channels 25 kHz apart from 150 MHz on a 7К-62, checked: what the README shows.
void makeFullTable(TFormMain &w) {
    w.BandClick(2);
    w.CreateTemplateClick();
    w.Edit1->setText(QStringLiteral("99"));
    w.Edit2->setText(QStringLiteral("150000"));
    w.Edit3->setText(QStringLiteral("25"));
    w.BitBtn1Click();
    settle();
    w.CheckClick();
}

std::vector<tolvin::JournalEntry> journalSample() {
    using namespace tolvin;
    std::vector<JournalEntry> entries;
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-3);
    const auto add = [&](const QString &op, const QString &result, const QString &message, int minutes) {
        JournalEntry e = newJournalEntry(op);
        e.time = start.addSecs(minutes * 60);
        e.serial = QStringLiteral("07A1F3");
        e.stationType = QStringLiteral("Толвин 7К-62");
        e.device = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        e.result = result;
        e.message = message;
        e.durationMs = 4200 + minutes;
        if (op != JournalOp::Type)
            setJournalConfig(e, QByteArray("[Общие установки]\r\n") + QByteArray::number(minutes));
        entries.push_back(e);
        return &entries.back();
    };
    add(JournalOp::Backup, JournalResult::Ok, QStringLiteral("Резервная копия: ~/.local/share/tolvin/backups/07A1F3.ini"), 0);
    add(JournalOp::Write, JournalResult::Ok, QStringLiteral("Записано в станцию: 241 байт"), 1);
    JournalEntry *v = add(JournalOp::Verify, JournalResult::Failed,
                          QStringLiteral("Проверка после записи: станция хранит не то, что записано (различий: 2)"), 2);
    v->differences = {QStringLiteral("канал 2: Rx 150025,00 вместо 150050,00"), QStringLiteral("канал 5: Pmin 0 вместо 1")};
    add(JournalOp::Write, JournalResult::Ok, QStringLiteral("Записано в станцию: 241 байт"), 30);
    add(JournalOp::Verify, JournalResult::Ok, QStringLiteral("Проверено: станция хранит записанное"), 31);
    add(JournalOp::Type, JournalResult::Ok, QStringLiteral("Толвин 7К-62"), 2000);
    return entries;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    tolvin::applyAppearance();
    tolvin::installRussianTranslation();
    if (argc < 3) {
        std::fprintf(stderr, "usage: tolvin-shot ACTION OUT.png\n"
                             "actions: fresh band2 template template-list template99-list file-dialog highlight menu-channels "
                             "undo-menu import-summary paste port-list "
                             "menu-station menu-modules main99 link link-writing link-done report unsaved check-cell wide journal\n");
        return 2;
    }
    const QString action = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    std::unique_ptr<QTemporaryDir> journalDir;
    std::unique_ptr<tolvin::Journal> journal;
    ScriptOperator op;
    TFormMain w(op);
    TForm1 link(w);
    TFormProtokol report(w);
    connectWindows(w, link, report);
    w.move(10, 10);
    w.show();
    settle(300);

    QWidget *target = &w;
    QWidget *popup = nullptr;
    if (action == QLatin1String("band2")) {
        w.BandItems[2]->trigger();
    } else if (action == QLatin1String("template")) {
        makeTemplate(w, QStringLiteral("10"));
    } else if (action == QLatin1String("template99-list")) {
        makeTemplate(w, QStringLiteral("99"));
        w.StringGrid1->scrollTo(w.StringGrid1->tableModel()->index(55, 0), QAbstractItemView::PositionAtCenter);
        settle();
        w.StringGrid1->setFocus();
        w.StringGrid1->setCurrentCell(tolvin::ColCtcRx, 50);
        settle();
    } else if (action == QLatin1String("template-list")) {
        makeTemplate(w, QStringLiteral("10"));
        w.StringGrid1->setFocus();
        w.StringGrid1->setCurrentCell(tolvin::ColCtcRx, 1);
        settle();
        if (QComboBox *box = w.cellEditors->visibleList()) {
            box->showPopup();
            popup = box->view()->window();
        }
        settle();
    } else if (action == QLatin1String("file-dialog")) {
        makeTemplate(w, QStringLiteral("10"));
        const tolvin::FileDialogRequest r = tolvin::saveDialogRequest();
        auto *dialog = new QFileDialog(&w, r.title);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setNameFilter(r.filter);
        dialog->setDirectory(QDir::homePath());
        dialog->selectFile(r.proposedName);
        dialog->show();
        settle(300);
        target = dialog;
    } else if (action == QLatin1String("highlight")) {
        makeTemplate(w, QStringLiteral("20"));
        w.StringGrid1->setFocus();
        w.StringGrid1->setCurrentCell(tolvin::ColRx, 4);
        settle();
    } else if (action.startsWith(QLatin1String("menu-"))) {
        const int index = action == QLatin1String("menu-channels") ? 0 : action == QLatin1String("menu-modules") ? 1 : 4;
        QMenu *m = w.menuBar()->actions().at(index)->menu();
        QPoint at = w.menuBar()->mapToGlobal(w.menuBar()->actionGeometry(w.menuBar()->actions().at(index)).bottomLeft());
        m->popup(at);
        settle();
        if (index == 1) {
            QMenu *sub = m->actions().at(0)->menu();
            sub->popup(m->mapToGlobal(m->actionGeometry(m->actions().at(0)).topRight()));
            popup = sub;
        } else if (index == 4) {
            QMenu *sub = m->actions().last()->menu();
            sub->popup(m->mapToGlobal(m->actionGeometry(m->actions().last()).topRight()));
            popup = sub;
        }
        settle();
    } else if (action == QLatin1String("unsaved")) {
        makeTemplate(w, QStringLiteral("10"));
        QMessageBox *box = tolvin::saveQuestionBox(&w, QStringLiteral("Сохранить изменения в «Без имени»?"));
        box->setWindowModality(Qt::NonModal);
        box->show();
        settle(300);
        box->move(w.geometry().center() - QPoint(box->width() / 2, box->height() / 2));
        popup = box;
    } else if (action == QLatin1String("check-cell")) {
        makeTemplate(w, QStringLiteral("20"));
        w.editor().table.setCell(tolvin::ColTx, 12, QStringLiteral("42001"));
        w.showEditor();
        w.CheckClick();
        settle();
        popup = showMessage(&w, op.messages.value(op.messages.size() - 1));
        settle(300);
        popup->move(w.geometry().topRight() - QPoint(popup->width() + 10, -40));
    } else if (action == QLatin1String("wide")) {
        makeFullTable(w);
        w.resize(1000, 700);
        settle(300);
    } else if (action == QLatin1String("main99")) {
        makeFullTable(w);
    } else if (action == QLatin1String("link-writing")) {
        // A write under way to the station COM1 names (tools/docs points it at tolvin-sim), shot
        // once the channel records are going out.
        makeFullTable(w);
        w.LinkClick();
        link.move(10, 10);
        settle();
        link.BitBtn2Click();
        // The backup read goes first; the gauge counts the whole job, so the shot waits for the
        // write to be well under way.
        int writing = 0;
        for (int waited = 0; waited < 90000; waited += 100) {
            writing = link.StaticText1->text() == QStringLiteral("ПР") ? writing + 100 : 0;
            if (writing > 1000 && link.Gauge1->value() >= 40)
                break;
            settle(100);
        }
        target = &link;
    } else if (action == QLatin1String("link-done")) {
        // The end of a write with backup and check, as the window then tells it.
        makeFullTable(w);
        w.LinkClick();
        link.move(10, 10);
        link.BitBtn2Click();
        for (int waited = 0; waited < 300000 && link.exchangeRunning(); waited += 100)
            settle(100);
        settle();
        target = &link;
    } else if (action == QLatin1String("link")) {
        link.move(10, 10);
        link.show();
        target = &link;
    } else if (action == QLatin1String("undo-menu")) {
        makeTemplate(w, QStringLiteral("10"));
        w.StringGrid1->tableModel()->setData(w.StringGrid1->tableModel()->index(0, tolvin::ColRx), QStringLiteral("31250"), Qt::EditRole);
        w.StringGrid1->toggleFlag(tolvin::ColScan, 2);
        QMenu *m = w.menuBar()->actions().at(0)->menu();
        m->popup(w.menuBar()->mapToGlobal(w.menuBar()->actionGeometry(w.menuBar()->actions().at(0)).bottomLeft()));
        popup = m;
    } else if (action == QLatin1String("import-summary")) {
        w.BandItems[2]->trigger();
        QTemporaryDir *dir = new QTemporaryDir;
        const QString csv = dir->filePath(QStringLiteral("repeaters.csv"));
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        f.write("Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode,Skip,Power\r\n"
                "1,City,145.600000,-,0.600000,Tone,88.5,88.5,023,NN,FM,,5W\r\n"
                "2,Hills,145.625000,-,0.600000,TSQL,69.3,69.3,023,NN,FM,,5W\r\n"
                "3,Simplex,145.500000,,0,,88.5,88.5,023,NN,NFM,S,1W\r\n"
                "4,PMR,446.006250,,0,,88.5,88.5,023,NN,NFM,,0.5W\r\n"
                "5,Odd,145.510000,,0,,88.5,88.5,023,NN,FM,,5W\r\n");
        f.close();
        op.openAnswer = csv;
        w.ImportCsvClick();
        settle();
        popup = showMessage(&w, op.lastMessage());
        popup->move(w.geometry().center() - popup->rect().center());
    } else if (action == QLatin1String("paste")) {
        makeTemplate(w, QStringLiteral("10"));
        w.StringGrid1->setFocus();
        QApplication::clipboard()->setText(QStringLiteral("145600\t145000\t88,5\t88,5\r\n145625\t145025\t\"100,0\"\t100,0\r\n"
                                                          "145650\t145050\t99,9\t71,9\r\n"));
        w.StringGrid1->setCurrentCell(tolvin::ColRx, 2);
        w.PasteClick();
        settle();
        auto *m = w.StringGrid1->model();
        w.StringGrid1->selectionModel()->select(QItemSelection(m->index(1, tolvin::ColRx), m->index(3, tolvin::ColCtcTx)),
                                                QItemSelectionModel::ClearAndSelect);
        popup = showMessage(&w, op.lastMessage());
        popup->move(w.geometry().bottomRight() - QPoint(popup->width() + 20, popup->height() + 20));
    } else if (action == QLatin1String("port-list")) {
        link.show();
        link.LoadPortChoice();
        settle(300);
        target = &link;
        auto *menu = new QMenu(&link);
        for (const tolvin::SerialDevice &d : tolvin::findSerialDevices())
            menu->addAction(tolvin::deviceLine(d));
        // This bench's own adapters, as a technician's computer would list them.
        menu->addAction(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0  (FTDI FT232R USB UART)"));
        menu->addAction(QStringLiteral("/dev/ttyACM0  (Prolific Technology Inc. USB-Serial Controller)"));
        menu->addSeparator();
        menu->addAction(QStringLiteral("Как в T702Options.ini"));
        menu->popup(link.Com2Device->mapToGlobal(QPoint(0, link.Com2Device->height())));
        popup = menu;
    } else if (action == QLatin1String("journal")) {
        // A station's history: a backup, a write and a verify that found a difference, a read.
        journalDir = std::make_unique<QTemporaryDir>();
        journal = std::make_unique<tolvin::Journal>(
            tolvin::parseJournalPlace(QStringLiteral("sqlite:") + journalDir->filePath(QStringLiteral("j.sqlite"))));
        w.setJournal(journal.get());
        journal->record(journalSample());
        journal->flush();
        w.JournalClick();
        target = w.journalWindow();
        target->move(10, 10);
        settle(300);
        w.journalWindow()->selectEntry(1);
    } else if (action == QLatin1String("batch")) {
        // A series half-way: three stations done on two ports, one of another band.
        w.BatchClick();
        auto *b = w.batchWindow();
        b->offer(QStringLiteral("/home/technician/заказ-17.ini"));
        b->listPorts({QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
                      QStringLiteral("/dev/ttyUSB1")});
        b->portList->item(0)->setCheckState(Qt::Checked);
        b->startEdit->setText(QStringLiteral("0101"));
        b->countBox->setValue(20);
        const char *rows[][5] = {{"/dev/ttyUSB0", "070001", "0101", "записана", "10:02:11"},
                                 {"/dev/ttyUSB1", "070002", "0102", "записана", "10:02:40"},
                                 {"/dev/ttyUSB0", "070007", "-", "отказ: другой диапазон", "10:03:05"},
                                 {"/dev/ttyUSB0", "070003", "0103", "записана", "10:03:31"}};
        for (const auto &r : rows) {
            const int at = b->stations->rowCount();
            b->stations->insertRow(at);
            for (int c = 0; c < 5; ++c)
                b->stations->setItem(at, c, new QTableWidgetItem(QString::fromUtf8(r[c])));
        }
        b->status->setText(QStringLiteral("Готово: станция 070003, Id 0103 — отключите станцию"));
        b->pace->setText(QStringLiteral("Записано станций: 3, в час: 58"));
        target = b;
        target->move(10, 10);
    } else if (action == QLatin1String("report")) {
        report.move(10, 10);
        report.show();
        target = &report;
    } else if (action != QLatin1String("fresh")) {
        std::fprintf(stderr, "unknown action\n");
        return 2;
    }
    settle(400);
    QRect area = target->frameGeometry();
    if (popup)
        area = area.united(popup->geometry());
    // A window alone is grabbed from itself: the virtual server may not have taken a new size yet.
    const QPixmap screen = popup ? QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                 : target->grab();
    // There is no window manager under the virtual server: draw the title bar ourselves.
    QPixmap shot(screen.width(), screen.height() + 22);
    shot.fill(QColor(40, 70, 140));
    QPainter painter(&shot);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 0, shot.width() - 8, 22), Qt::AlignVCenter, target->windowTitle());
    painter.drawPixmap(0, 22, screen);
    painter.end();
    if (!shot.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
