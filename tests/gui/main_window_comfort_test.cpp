// SPDX-License-Identifier: GPL-3.0-or-later
// The main window at the bench: unsaved work is asked about, the check points at what failed,
// the window grows, remembers its place and the files, and ranges select on every column.
#include "gui/cell_editors.h"
#include "gui/main_window_fixture.h"
#include "gui/string_grid.h"
#include "gui/window_memory.h"
#include "gui/window_placement.h"
#include "settings_file/settings_file.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QUndoStack>

using namespace tolvin;
using tolvin::test::MainWindowTest;

namespace {

const QString Unsaved = QStringLiteral("askToSave:Сохранить изменения в «Без имени»?");

QStringList questions(const QStringList &events) {
    QStringList q;
    for (const QString &e : events)
        if (e.startsWith(QStringLiteral("askToSave:")))
            q << e;
    return q;
}

} // namespace

class ComfortTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }
    // A template with one cell changed by hand, differently each time: unsaved work.
    void editedTable() {
        makeTemplate(QStringLiteral("5"));
        edited = QString::number(33000 + 25 * ++edits);
        ed().table.setCell(ColRx, 2, edited);
        main->StringGrid1->tableModel()->cellChanged(ColRx, 2);
        op.clear();
    }
    QTemporaryDir dir;
    QString edited;
    int edits = 0;
};

// Every action that would put the table away asks first; Отмена keeps everything, Не сохранять
// goes on, Сохранить writes the file first.
TEST_F(ComfortTest, EveryActionThatReplacesAChangedTableAsksFirst) {
    const QString csv = dir.filePath(QStringLiteral("in.csv"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Location,Frequency,Duplex,Offset\n1,33.000000,,0\n");
    f.close();
    struct Case {
        const char *name;
        std::function<void()> action;
        std::function<bool()> happened;
    };
    const Case cases[] = {
        // Through the menu item, which ticks itself before the window is asked.
        {"band", [this] { main->BandItems[size_t(StationModels[1].menuItem)]->trigger(); },
         [this] { return ed().state.tickedBand == 2; }},
        {"load", [this] { main->N4Click(); },
         [this] { return op.events.contains(QStringLiteral("open")); }},
        {"template menu", [this] { main->CreateTemplateClick(); },
         [this] { return main->Edit1->hasFocus() || ed().view.panel1; }},
        {"template ok", [this] { main->BitBtn1Click(); },
         [this] { return ed().table.cell(ColRx, 2) != edited; }},
        {"csv import", [&, this] { op.openAnswers << csv; main->ImportCsvClick(); },
         [this] { return ed().table.channelCount() == 1; }},
        {"close", [this] { main->close(); }, [this] { return !main->isVisible(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (SaveAnswer answer : {SaveAnswer::Cancel, SaveAnswer::Discard, SaveAnswer::Save}) {
            SCOPED_TRACE(int(answer));
            main->show();
            main->BandClick(1);
            editedTable();
            const QString saved = dir.filePath(QStringLiteral("%1-%2.ini").arg(QString::fromLatin1(c.name)).arg(int(answer)));
            op.saveQuestionAnswers = {answer};
            op.saveAnswers = {saved};
            c.action();
            ASSERT_EQ(questions(op.events), QStringList{Unsaved});
            if (answer == SaveAnswer::Cancel) {
                EXPECT_EQ(ed().table.cell(ColRx, 2), edited);
                EXPECT_EQ(ed().state.tickedBand, 1);
                for (int i = 0; i < BandMenuItems; ++i)
                    EXPECT_EQ(main->BandItems[size_t(i)]->isChecked(), i == StationModels[0].menuItem) << i;
                EXPECT_TRUE(main->isVisible());
                EXPECT_TRUE(main->StringGrid1->isVisible());
            } else {
                EXPECT_TRUE(c.happened());
            }
            EXPECT_EQ(QFile::exists(saved), answer == SaveAnswer::Save);
            op.openAnswers.clear();
        }
    }
}

TEST_F(ComfortTest, NothingIsAskedWhenNothingWouldBeLost) {
    // A fresh window, a loaded file, a saved table, a table let go once.
    main->BandClick(2);
    main->close();
    main->show();
    EXPECT_TRUE(questions(op.events).isEmpty());

    editedTable();
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    op.saveAnswers << path;
    main->N3Click();
    main->BandClick(1);
    EXPECT_TRUE(questions(op.events).isEmpty()) << "saved";

    op.openAnswers << path;
    main->N4Click();
    EXPECT_EQ(ed().state.tickedBand, 2) << "the file is for the band it was made on";
    main->BandClick(3);
    EXPECT_TRUE(questions(op.events).isEmpty()) << "loaded";

    // Undo brings the loaded table back unchanged: still nothing to lose.
    main->undoStack()->undo();
    EXPECT_EQ(ed().state.tickedBand, 2);
    EXPECT_TRUE(main->StringGrid1->isVisible());
    EXPECT_FALSE(main->isModified());
    // The settings text counts as much as the table.
    main->Memo1->appendPlainText(QStringLiteral("Громкость=9"));
    EXPECT_TRUE(main->isModified());
    main->close();
    EXPECT_EQ(questions(op.events), QStringList{QStringLiteral("askToSave:Сохранить изменения в «a.ini»?")});
}

// A band change is an undo step: undo brings back the band with its table, redo puts it away.
TEST_F(ComfortTest, BandChangeIsUndone) {
    editedTable();
    main->BandClick(4);
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-64"));
    EXPECT_FALSE(main->StringGrid1->isVisible());
    main->undoStack()->undo();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-61"));
    EXPECT_EQ(ed().state.bandSettings.BandLow, 30000);
    EXPECT_EQ(main->Edit2->text(), QStringLiteral("30000"));
    EXPECT_TRUE(main->StringGrid1->isVisible());
    EXPECT_EQ(ed().table.cell(ColRx, 2), edited);
    EXPECT_TRUE(ed().table.hasFlag(ColScan, 2));
    main->undoStack()->redo();
    EXPECT_EQ(ed().state.tickedBand, 4);
    EXPECT_FALSE(main->StringGrid1->isVisible());
}

TEST_F(ComfortTest, CheckPointsAtTheCellOrTheLineThatFailed) {
    struct Case {
        const char *name;
        std::function<void()> spoil;
        QString message;
        int col, row;
        QString line;
    };
    const Case cases[] = {
        {"power", [this] { ed().table.setCell(ColPmin, 3, QStringLiteral("4")); },
         QStringLiteral("Не желательно использовать в минимальной мощности 4 уровень\nКанал 3, P_min"), ColPmin, 3, {}},
        {"squelch", [this] { ed().table.setCell(ColCtcTx, 5, QStringLiteral("1,0")); },
         QStringLiteral("В строчке №5 в столбце \"CTC_Tx\" неизвестное значение \"1,0\"\nКанал 5, CTC_Tx"), ColCtcTx, 5, {}},
        {"raster", [this] { ed().table.setCell(ColTx, 4, QStringLiteral("33001")); },
         QStringLiteral("Частота должна быть кратна 6,25кГц\nКанал 4, Tx, кГц"), ColTx, 4, {}},
        {"volume", [this] { ed().memo.replaceInStrings(QStringLiteral("Громкость=8"), QStringLiteral("Громкость=20")); },
         QStringLiteral("Уровень громкости изм. 1-16"), -1, 0, QStringLiteral("Громкость=20")},
        {"tone", [this] { ed().memo.replaceInStrings(QStringLiteral("Тон4=1200"), QStringLiteral("Тон4=12")); },
         QStringLiteral("Ошибка в Тон4 диапазон от 700Гц до 2550Гц"), -1, 0, QStringLiteral("Тон4=12")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        makeTemplate(QStringLiteral("6"));
        c.spoil();
        main->showEditor();
        op.clear();
        main->CheckClick();
        EXPECT_EQ(op.lastMessage(), c.message);
        if (c.col >= 0) {
            EXPECT_EQ(main->StringGrid1->currentCol(), c.col);
            EXPECT_EQ(main->StringGrid1->currentRow(), c.row);
            EXPECT_EQ(ed().state.SelectedRow, c.row);
            EXPECT_EQ(main->cellEditors->visibleList(), nullptr) << "pointing opens no list";
        } else {
            EXPECT_EQ(main->Memo1->textCursor().selectedText(), c.line);
        }
    }
}

TEST_F(ComfortTest, WindowGrowsAndComesBackWhereItWas) {
    makeTemplate(QStringLiteral("40"));
    const int rowsBefore = main->StringGrid1->viewport()->height();
    main->resize(1100, 800);
    QCoreApplication::processEvents();
    EXPECT_GT(main->StringGrid1->height(), 235);
    EXPECT_GT(main->StringGrid1->viewport()->height(), rowsBefore);
    EXPECT_EQ(main->StringGrid1->columnWidth(ColRx), 55);
    main->resize(100, 100);
    EXPECT_GE(main->centralWidget()->width(), 797) << "never smaller than the original";
    // Within the screen (the test screen is small): a remembered size comes back as it was.
    main->resize(main->minimumWidth(), 520);
    const QSize size = main->size();
    main->close();

    // The next run's window: the same size, from the program's own memory file.
    auto again = std::make_unique<TFormMain>(op);
    again->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    EXPECT_EQ(again->size(), size);
    EXPECT_TRUE(QFile::exists(windowMemoryPath()));
    EXPECT_FALSE(windowMemoryPath().endsWith(QStringLiteral("T702Options.ini")));
}

TEST_F(ComfortTest, DialogsOfferTheLastFileAndFolder) {
    makeTemplate(QStringLiteral("3"));
    const QString path = dir.filePath(QStringLiteral("станция 7.ini"));
    op.saveAnswers << path;
    main->N3Click();
    main->SaveAsClick();  // "Запись в файл" would write the table's own file without asking
    main->N4Click();
    ASSERT_EQ(op.requests.size(), 3);
    EXPECT_EQ(op.requests[0].proposedName, QStringLiteral("Q7KM_10.ini"));
    for (int i : {1, 2}) {
        EXPECT_EQ(op.requests[i].proposedName, QStringLiteral("станция 7.ini"));
        EXPECT_EQ(op.requests[i].initialFolder, dir.path());
    }
    // The next run's window offers the same file; a CSV dialog starts in its folder.
    auto again = std::make_unique<TFormMain>(op);
    op.requests.clear();
    again->N4Click();
    again->ExportCsvClick();
    ASSERT_EQ(op.requests.size(), 2);
    EXPECT_EQ(op.requests[0].initialFolder, dir.path());
    EXPECT_EQ(op.requests[0].proposedName, QStringLiteral("станция 7.ini"));
    EXPECT_EQ(op.requests[1].initialFolder, dir.path());
}

// Shift with an arrow or a click extends the range over list columns instead of opening lists.
TEST_F(ComfortTest, RangesExtendOverListColumns) {
    makeTemplate(QStringLiteral("5"));
    StringGrid *g = main->StringGrid1;
    g->setFocus();
    g->setCurrentCell(ColTx, 1);
    QTest::keyClick(g, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(g, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(main->cellEditors->visibleList(), nullptr);
    EXPECT_EQ(g->selectionModel()->selectedIndexes().size(), 4);
    const QRect far = g->visualRect(g->tableModel()->index(3, ColNoise));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ShiftModifier, far.center());
    EXPECT_EQ(main->cellEditors->visibleList(), nullptr);
    EXPECT_EQ(g->selectionModel()->selectedIndexes().size(), 4 * (ColNoise - ColTx + 1));
    // A plain click on another list cell still opens its list.
    const QRect other = g->visualRect(g->tableModel()->index(0, ColPmax));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, other.center());
    EXPECT_NE(main->cellEditors->visibleList(), nullptr);
}

TEST_F(ComfortTest, TemplatePanelTakesEnterKeepsTypedKeysAndSaysWhatRanPastTheBand) {
    main->BandClick(2);
    main->CreateTemplateClick();
    EXPECT_EQ(main->Edit1->selectedText(), QStringLiteral("10")) << "typing replaces the count";
    main->Edit1->setText(QString());
    // While the rejected key's message is up, the technician types on.
    op.whileMessageShows = [this] { QTest::keyClicks(main->Memo1, QStringLiteral("9x")); };
    QTest::keyClicks(main->Edit1, QStringLiteral("9"));
    QTest::keyClick(main->Edit1, Qt::Key_Period);
    op.whileMessageShows = nullptr;
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("99"));
    EXPECT_EQ(op.events.mid(0, 2), (QStringList{QStringLiteral("beep"), QStringLiteral("message:Вводите только цифры от 0 до 9")}));
    main->Edit2->setText(QStringLiteral("170000"));
    main->Edit3->setText(QStringLiteral("100"));
    op.clear();
    QTest::keyClick(main->Edit3, Qt::Key_Return);
    EXPECT_EQ(ed().table.channelCount(), 99);
    EXPECT_EQ(ed().table.cell(ColRx, 99), QStringLiteral("174000"));
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Каналы 42-99 выходят за диапазон; им назначена частота 174000 кГц")});
    // Within the band nothing is said.
    main->Edit1->setText(QStringLiteral("41"));
    op.clear();
    QTest::keyClick(main->Edit1, Qt::Key_Enter);
    EXPECT_EQ(ed().table.channelCount(), 41);
    EXPECT_TRUE(op.messages.isEmpty());
}

TEST_F(ComfortTest, StartHintAndLongSettingLines) {
    EXPECT_TRUE(main->StartHint->isVisible());
    EXPECT_EQ(main->StartHint->text(), QStringLiteral("Создайте шаблон (Каналы → Создать шаблон) или откройте файл настроек"));
    makeTemplate(QStringLiteral("3"));
    EXPECT_FALSE(main->StartHint->isVisible());
    main->Memo1->appendPlainText(QStringLiteral("Комментарий=") + QString(200, QLatin1Char('x')));
    QCoreApplication::processEvents();
    EXPECT_TRUE(main->Memo1->horizontalScrollBar()->isVisible());
}

// Windows open wholly on the screen, however large they were made or remembered.
TEST(WindowPlacement, WindowsOpenWhollyOnTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct { QSize size; QPoint at; } cases[] = {
        {{420, 480}, {0, 0}}, {{3000, 400}, {0, 0}}, {{400, 3000}, {0, 0}}, {{500, 400}, {5000, -300}},
    };
    for (const auto &c : cases) {
        QWidget w(nullptr, Qt::Window);
        w.resize(c.size);
        w.move(c.at);
        centreOnFirstShow(&w);
        w.show();
        EXPECT_TRUE(area.contains(w.frameGeometry())) << c.size.width() << "x" << c.size.height();
        fitOnScreen(&w);
        w.move(c.at);
        fitOnScreen(&w);
        EXPECT_TRUE(area.contains(w.frameGeometry())) << "moved off";
    }
}
