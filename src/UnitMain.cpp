// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitMain.h"
#include "gui/batch_window.h"
#include "gui/journal_window.h"

#include "check/data_check.h"
#include "check/gates.h"
#include "common/errors.h"
#include "gui/cell_editors.h"
#include "gui/exchange_log_window.h"
#include "gui/string_grid.h"
#include "gui/window_placement.h"
#include "settings_file/settings_file.h"
#include "table/bands.h"
#include "table/repeater.h"
#include "table/template.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QUndoStack>

using namespace tolvin;

TFormMain::TFormMain(Operator &op, QWidget *parent) : QMainWindow(parent), m_op(op) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(m_editor.state.title);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildMenus();
    buildPanels();
    resize(sizeHint());

    // Start-up values: the first band, no module, nothing checked.
    m_editor.state.DataChecked = 0;
    m_editor.state.StationType = 1;
    m_editor.state.ModuleType = 0;
    m_editor.state.tickedBand = 1;
    m_editor.state.bandSettings = bandRow(1).settings;
    m_editor.templ.start = QString::number(m_editor.state.bandSettings.BandLow);
    showEditor();
    m_undoBase = takeSnapshot(m_editor);
    m_unchanged = m_undoBase;
    centreOnFirstShow(this, QStringLiteral("MainWindow"));
}

TFormMain::~TFormMain() {
    delete m_logWindow;
    delete m_journalWindow;
    delete m_batchWindow;
    // The undo stack goes before the menu items its signals update.
    delete m_undo;
    m_undo = nullptr;
    // The grid and the lists look into m_editor; they must go before it does.
    delete takeCentralWidget();
}

bool TFormMain::act(const std::function<void()> &action, const QString &undoStep) {
    pullEditor();
    // Typing in the settings text is one step, ended by whatever the technician does next.
    if (m_actDepth == 0 && m_editor.memo != m_undoBase.memo)
        recordUndo(QStringLiteral("Правка общих установок"));
    ++m_actDepth;
    const bool ok = runAction(m_op, action);
    --m_actDepth;
    if (!undoStep.isEmpty())
        recordUndo(undoStep);
    showEditor();
    return ok;
}

void TFormMain::pullEditor() {
    m_editor.memo = memoLines();
    m_editor.templ.count = Edit1->text();
    m_editor.templ.start = Edit2->text();
    m_editor.templ.step = Edit3->text();
}

QStringList TFormMain::memoLines() const {
    // Lines as a memo keeps them: a final line break ends the last line, it does not start one.
    QString text = Memo1->toPlainText();
    if (text.isEmpty())
        return {};
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

void TFormMain::showMenuTicks() {
    const EditorState &s = m_editor.state;
    const int tickedItem = s.tickedBand >= 1 && s.tickedBand <= int(StationModels.size())
                               ? StationModels[size_t(s.tickedBand - 1)].menuItem
                               : -1;
    for (int i = 0; i < BandMenuItems; ++i)
        if (BandItems[i]->isCheckable())
            BandItems[i]->setChecked(i == tickedItem);
    for (int i = 0; i < 6; ++i)
        ModuleItems[i]->setChecked(i == s.tickedModule);
}

void TFormMain::showEditor() {
    setWindowTitle(m_editor.state.title);
    showMenuTicks();

    if (memoLines() != m_editor.memo)
        Memo1->setPlainText(m_editor.memo.join(QLatin1Char('\n')));
    if (Edit1->text() != m_editor.templ.count)
        Edit1->setText(m_editor.templ.count);
    if (Edit2->text() != m_editor.templ.start)
        Edit2->setText(m_editor.templ.start);
    if (Edit3->text() != m_editor.templ.step)
        Edit3->setText(m_editor.templ.step);

    if (StringGrid1->tableModel()->rowCount() != m_editor.table.channelCount() ||
        StringGrid1->isHidden() != !m_editor.view.grid)
        StringGrid1->reload();
    else
        StringGrid1->viewport()->update();
    Panel1->setVisible(m_editor.view.panel1);
    Memo1->setVisible(m_editor.view.memo);
    StringGrid1->setVisible(m_editor.view.grid);
    Panel3->setVisible(m_editor.view.repeaterPanel);
    StartHint->setVisible(!m_editor.view.grid);
    StringGrid1->horizontalHeader()->viewport()->update();
}

// ---- Menu "Каналы" ----

void TFormMain::CreateTemplateClick() {
    if (!mayDiscardWork())
        return;
    act([&] {
        m_editor.view.panel1 = true;
        m_editor.templ.start = QString::number(m_editor.state.bandSettings.BandLow);
    });
    Edit1->setFocus();
    Edit1->selectAll(); // typing replaces the count, as in a dialog
}

void TFormMain::BitBtn1Click() {
    if (!mayDiscardWork())
        return;
    QString note;
    act([&] {
        const bool made = createTemplate(m_editor, m_op);
        StringGrid1->reload();
        if (made) {
            m_fileName.clear(); // a new table, in no file yet
            note = templateCapNote(m_editor);
        }
    }, QStringLiteral("Создание шаблона"));
    // Said over the new table, which is on the screen by now.
    if (!note.isEmpty())
        act([&] { m_op.message(note); });
    // The keyboard goes on in the new table.
    if (m_editor.view.grid)
        StringGrid1->pointAt(ColRx, 1);
}

// ---- Top-level items ----

void TFormMain::RepeaterClick() {
    act([&] {
        if (passGate(m_editor.state, Gate::Repeater, m_op))
            m_editor.view.repeaterPanel = true;
    });
}

void TFormMain::RepeaterWriteClick() {
    act([&] {
        const RepeaterMode mode = RadioTransmit->isChecked() ? RepeaterMode::Transmit : RepeaterMode::Receive;
        writeRepeater(m_editor, Edit4->text(), mode, m_op);
    }, QStringLiteral("Ретранслятор"));
}

void TFormMain::RepeaterCloseClick() {
    act([&] { m_editor.view.repeaterPanel = false; });
}

void TFormMain::CheckClick() {
    act([&] { runDataCheck(m_editor, m_op, [this](const CheckPlace &place) { pointAt(place); }); });
}

void TFormMain::pointAt(const CheckPlace &place) {
    if (place.onCell()) {
        StringGrid1->pointAt(place.col, place.row);
        return;
    }
    // The line the INI reading took the key from: the first whose name matches.
    QTextBlock block = Memo1->document()->firstBlock();
    for (; block.isValid(); block = block.next()) {
        const QString line = block.text();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(place.key, Qt::CaseInsensitive) == 0)
            break;
    }
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    Memo1->setTextCursor(cursor);
    Memo1->ensureCursorVisible();
    Memo1->setFocus();
}

void TFormMain::ReportClick(ReportOutput output) {
    act([&] {
        if (!passGate(m_editor.state, Gate::ReportMenu, m_op))
            return;
        if (m_prepareReport)
            m_prepareReport(output);
        showMinimized();
        if (m_reportWindow)
            m_reportWindow->show();
    });
}

void TFormMain::LinkClick() {
    act([&] {
        if (m_openLinkWindow)
            m_openLinkWindow();
        showMinimized();
    });
}

void TFormMain::AboutClick() {
    act([&] {
        m_op.message(QStringLiteral("Программатор радиостанций «%1»\nВерсия " TOLVIN_VERSION "\n"
                                    "Лицензия: GNU GPL версии 3 или более поздней (" TOLVIN_LICENSE ")\n"
                                    "Это свободная программа: её можно распространять и изменять на условиях "
                                    "этой лицензии. Гарантий нет.")
                         .arg(modelFamily()));
    });
}

void TFormMain::ExitClick() {
    close();
}

void TFormMain::closeEvent(QCloseEvent *event) {
    if (!mayDiscardWork()) {
        event->ignore();
        return;
    }
    if (m_logWindow)
        m_logWindow->close();
    if (m_journalWindow)
        m_journalWindow->close();
    // Closing the main window ends the program, whatever other window is open.
    if (m_linkWindow)
        m_linkWindow->close();
    if (m_reportWindow)
        m_reportWindow->close();
    QMainWindow::closeEvent(event);
}

void TFormMain::BandClick(int band) {
    if (!mayDiscardWork()) {
        // The clicked item ticked itself before this ran; the tick goes back to the band in use.
        showMenuTicks();
        return;
    }
    act([&] { selectBand(m_editor, band); }, QStringLiteral("Тип радиостанции"));
}

void TFormMain::ModuleClick(int item) {
    act([&] { chooseModule(m_editor, item); });
}

// ---- Key filters ----

// ---- Grid ----

void TFormMain::StringGrid1SelectCell(int col, int row) {
    m_editor.state.SelectedRow = row;
    m_editor.state.SelectedCol = col;
    const ListEditor *list = row != 0 ? listEditorForColumn(col) : nullptr;
    if (list) {
        const QRect cell = StringGrid1->cellRect(col, row);
        const QRect inPanel = cell.translated(StringGrid1->pos());
        cellEditors->open(*list, inPanel, m_editor.table.cell(col, row), cellPlace(col, row));
    }
    StringGrid1->viewport()->update();
}

void TFormMain::hideList(QComboBox *box) {
    box->hide();
    StringGrid1->setFocus();
}

void TFormMain::listPicked(int listNumber) {
    QComboBox *box = cellEditors->list(listNumber);
    if (!box->isVisible())
        return;
    const int item = box->currentIndex();
    if (item >= 0) {
        const int col = StringGrid1->currentCol();
        const int row = StringGrid1->currentRow();
        m_editor.table.setCell(col, row, box->itemText(item));
        StringGrid1->tableModel()->cellChanged(col, row);
    }
    hideList(box);
}

void TFormMain::listLeft(int listNumber) {
    QComboBox *box = cellEditors->list(listNumber);
    if (box->isVisible())
        hideList(box);
}

void TFormMain::listNavigated(int listNumber, int key, Qt::KeyboardModifiers modifiers) {
    listLeft(listNumber);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(StringGrid1, &press);
}

void TFormMain::StringGrid1KeyDown(int key) {
    if (key != 13 || m_editor.state.SelectedRow == 0)
        return;
    const int row = m_editor.state.SelectedRow;
    const int from = m_editor.state.SelectedCol;
    if (from != ColRx && from != ColTx)
        return;
    const int to = from == ColRx ? ColTx : ColRx;
    m_editor.table.setCell(to, row, m_editor.table.cell(from, row));
    StringGrid1->tableModel()->cellChanged(to, row);
}

// ---- Check-box overlays ----
// The boxes are drawn in their cells, so aligning them is a repaint of the grid.

void TFormMain::addCheckBoxesOf(int col) {
    createOverlays(m_editor, col);
    alignCheckBoxesOf(col);
}

void TFormMain::cleanBufferOf(int col) {
    removeOverlays(m_editor, col);
    alignCheckBoxesOf(col);
}

void TFormMain::alignCheckBoxesOf(int) {
    StringGrid1->viewport()->update();
}

void TFormMain::AddCheckBoxes() { addCheckBoxesOf(ColScan); }
void TFormMain::AddCheckBoxes_1() { addCheckBoxesOf(ColIdTone); }
void TFormMain::AddCheckBoxes_2() { addCheckBoxesOf(ColActive); }
void TFormMain::clean_previus_buffer() { cleanBufferOf(ColScan); }
void TFormMain::clean_previus_buffer_1() { cleanBufferOf(ColIdTone); }
void TFormMain::clean_previus_buffer_2() { cleanBufferOf(ColActive); }
void TFormMain::set_checkbox_alignment() { alignCheckBoxesOf(ColScan); }
void TFormMain::set_checkbox_alignment_1() { alignCheckBoxesOf(ColIdTone); }
void TFormMain::set_checkbox_alignment_2() { alignCheckBoxesOf(ColActive); }
