#include "UnitMain.h"

#include "Unit1.h"
#include "UnitP.h"
#include "check/data_check.h"
#include "check/gates.h"
#include "common/errors.h"
#include "gui/cell_editors.h"
#include "gui/exchange_log_window.h"
#include "gui/string_grid.h"
#include "gui/typed_text_validator.h"
#include "gui/window_placement.h"
#include "settings_file/settings_file.h"
#include "table/repeater.h"
#include "table/template.h"
#include "common/delimited_text.h"
#include "common/file_io.h"
#include "table/chirp_csv.h"
#include "table/table_clipboard.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolTip>
#include <QClipboard>
#include <QDir>
#include <QUndoStack>
#include <climits>

using namespace tolvin;

namespace {

const QSize ClientSize(797, 397);

QLabel *label(QWidget *parent, const QString &text, int x, int y) {
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLineEdit *field(QWidget *parent, const char *name, const QString &text, int x, int y, int w) {
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(x, y, w, 21);
    return e;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
const QChar Backspace(8);

} // namespace

TFormMain::TFormMain(Operator &op, QWidget *parent) : QMainWindow(parent), m_op(op) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(m_editor.state.title);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildMenus();
    buildPanels();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Start-up values: the first band, no module, nothing checked.
    m_editor.state.DataChecked = 0;
    m_editor.state.StationType = 1;
    m_editor.state.ModuleType = 0;
    m_editor.state.tickedBand = 1;
    m_editor.state.bandSettings = bandRow(1).settings;
    m_editor.templ.start = QString::number(m_editor.state.bandSettings.BandLow);
    showEditor();
    m_undoBase = takeSnapshot(m_editor);
}

void TFormMain::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    // The window's size is known only once its layout ran, on the first show.
    if (!m_centred) {
        m_centred = true;
        centreOnScreen(this);
    }
}

TFormMain::~TFormMain() {
    delete m_logWindow;
    // The undo stack goes before the menu items its signals update.
    delete m_undo;
    m_undo = nullptr;
    // The grid and the lists look into m_editor; they must go before it does.
    delete takeCentralWidget();
}

void TFormMain::buildMenus() {
    QMenuBar *bar = menuBar();

    QMenu *channels = bar->addMenu(QStringLiteral("Каналы"));
    CreateTemplateItem = channels->addAction(QStringLiteral("Создать шаблон"), this, [this] { CreateTemplateClick(); });
    channels->addSeparator();
    SaveItem = channels->addAction(QStringLiteral("Запись в файл"), this, [this] { N3Click(); });
    LoadItem = channels->addAction(QStringLiteral("Чтение файла"), this, [this] { N4Click(); });
    // Working comfort below the original items, which keep their places.
    channels->addSeparator();
    m_undo = new QUndoStack(this);
    m_undo->setUndoLimit(200);
    UndoItem = channels->addAction(QStringLiteral("Отменить"), m_undo, &QUndoStack::undo);
    UndoItem->setShortcut(QKeySequence::Undo);
    RedoItem = channels->addAction(QStringLiteral("Повторить"), m_undo, &QUndoStack::redo);
    RedoItem->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    UndoItem->setEnabled(false);
    RedoItem->setEnabled(false);
    connect(m_undo, &QUndoStack::canUndoChanged, UndoItem, &QAction::setEnabled);
    connect(m_undo, &QUndoStack::canRedoChanged, RedoItem, &QAction::setEnabled);
    connect(m_undo, &QUndoStack::undoTextChanged, this, [this](const QString &t) {
        UndoItem->setText(t.isEmpty() ? QStringLiteral("Отменить") : QStringLiteral("Отменить: ") + t);
    });
    connect(m_undo, &QUndoStack::redoTextChanged, this, [this](const QString &t) {
        RedoItem->setText(t.isEmpty() ? QStringLiteral("Повторить") : QStringLiteral("Повторить: ") + t);
    });
    channels->addSeparator();
    CopyItem = channels->addAction(QStringLiteral("Копировать ячейки"), this, [this] { CopyClick(); });
    CopyItem->setShortcut(QKeySequence::Copy);
    PasteItem = channels->addAction(QStringLiteral("Вставить ячейки"), this, [this] { PasteClick(); });
    PasteItem->setShortcut(QKeySequence::Paste);
    // The grid's own shortcuts; the settings text and the fields keep theirs.
    for (QAction *a : {CopyItem, PasteItem})
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    channels->addSeparator();
    ImportCsvItem = channels->addAction(QStringLiteral("Импорт каналов из CSV (CHIRP)..."), this, [this] { ImportCsvClick(); });
    ExportCsvItem = channels->addAction(QStringLiteral("Экспорт каналов в CSV (CHIRP)..."), this, [this] { ExportCsvClick(); });

    QMenu *equipment = bar->addMenu(QStringLiteral("Доп. оборудование"));
    QMenu *modules = equipment->addMenu(QStringLiteral("Модули "));
    auto *moduleGroup = new QActionGroup(this);
    moduleGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < 6; ++i) {
        QAction *a = modules->addAction(moduleCaptions().at(i), this, [this, i] { ModuleClick(i); });
        a->setCheckable(true);
        moduleGroup->addAction(a);
        ModuleItems[i] = a;
    }

    RepeaterItem = bar->addAction(QStringLiteral("Ретранслятор"), this, [this] { RepeaterClick(); });
    CheckItem = bar->addAction(QStringLiteral("Контроль"), this, [this] { CheckClick(); });
    CheckItem->setToolTip(QStringLiteral("Проверка введенных данных"));
    CheckItem->setStatusTip(QStringLiteral("Проверка введенных данных"));
    // A menu bar shows no hints of its own; its tool-tip events are answered here.
    bar->installEventFilter(this);

    QMenu *station = bar->addMenu(QStringLiteral("Станция"));
    ReportItem = station->addAction(QStringLiteral("Создать протокол"), this, [this] { ReportClick(); });
    station->addSeparator();
    LinkItem = station->addAction(QStringLiteral("Запись/Чтение данных"), this, [this] { LinkClick(); });
    QMenu *types = station->addMenu(QStringLiteral("Тип радиостанции"));
    auto *bandGroup = new QActionGroup(this);
    bandGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const QString captions[5] = {QString::fromUtf16(bandRow(1).caption), inertBandCaption(),
                                 QString::fromUtf16(bandRow(2).caption), QString::fromUtf16(bandRow(3).caption),
                                 QString::fromUtf16(bandRow(4).caption)};
    const int bandOfItem[5] = {1, 0, 2, 3, 4};
    for (int i = 0; i < 5; ++i) {
        const int band = bandOfItem[i];
        QAction *a = types->addAction(captions[i]);
        if (band != 0) {
            a->setCheckable(true);
            bandGroup->addAction(a);
            connect(a, &QAction::triggered, this, [this, band] { BandClick(band); });
        }
        BandItems[i] = a;
    }
    station->addSeparator();
    ExchangeLogItem = station->addAction(QStringLiteral("Журнал обмена"), this, [this] {
        // A window of its own, so that it stays up while the main window is minimised for a write.
        if (!m_logWindow)
            m_logWindow = new ExchangeLogWindow(m_exchangeLog, m_op);
        m_logWindow->show();
        m_logWindow->raise();
    });

    ExitItem = bar->addAction(QStringLiteral("Выход"), this, [this] { ExitClick(); });
}

void TFormMain::buildPanels() {
    auto *client = new QWidget(this);
    client->setFixedSize(ClientSize);
    setCentralWidget(client);

    Panel1 = new QWidget(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(QRect(QPoint(0, 0), ClientSize));

    // Template panel, top left.
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    Panel2->setGeometry(5, 5, 245, 145);
    label(Panel2, QStringLiteral("Кол-во каналов"), 8, 10);
    Edit1 = field(Panel2, "Edit1", m_editor.templ.count, 160, 6, 75);
    label(Panel2, QStringLiteral("Начальная частота, кГц"), 8, 42);
    Edit2 = field(Panel2, "Edit2", QStringLiteral("140000"), 160, 38, 75);
    label(Panel2, QStringLiteral("Смещение, кГц"), 8, 74);
    Edit3 = field(Panel2, "Edit3", m_editor.templ.step, 160, 70, 75);
    BitBtn1 = new QPushButton(QStringLiteral("Ok"), Panel2);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(85, 106, 75, 27);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    for (QLineEdit *e : {Edit1, Edit2, Edit3})
        installKeyFilter(e);

    // General settings, top centre.
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(258, 5, 280, 145);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A tab inside a "key=value" line would only make the check refuse it; Tab moves on.
    Memo1->setTabChangesFocus(true);
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, QColor(180, 104, 255));
    Memo1->setPalette(memoPalette);

    // Repeater set-up, top right.
    Panel3 = new QFrame(Panel1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameShape(QFrame::Panel);
    Panel3->setFrameShadow(QFrame::Raised);
    Panel3->setGeometry(546, 5, 246, 145);
    auto *title = label(Panel3, QStringLiteral("НАСТРОЙКА РАБОТЫ РЕТРАНСЛЯТОРА"), 6, 6);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->adjustSize();
    label(Panel3, QStringLiteral("Номер канала"), 8, 32);
    Edit4 = field(Panel3, "Edit4", QString(), 110, 28, 50);
    installKeyFilter(Edit4);
    label(Panel3, QStringLiteral("Рерим работы ретранслятора"), 8, 58);
    RadioReceive = new QRadioButton(QStringLiteral("Прием"), Panel3);
    RadioReceive->setGeometry(12, 76, 90, 20);
    RadioReceive->setChecked(true);
    RadioTransmit = new QRadioButton(QStringLiteral("Передача"), Panel3);
    RadioTransmit->setGeometry(110, 76, 100, 20);
    RepeaterWriteButton = new QPushButton(QStringLiteral("Запись"), Panel3);
    RepeaterWriteButton->setGeometry(30, 106, 80, 27);
    RepeaterCloseButton = new QPushButton(QStringLiteral("Закрыть"), Panel3);
    RepeaterCloseButton->setGeometry(136, 106, 80, 27);
    connect(RepeaterWriteButton, &QPushButton::clicked, this, [this] { RepeaterWriteClick(); });
    connect(RepeaterCloseButton, &QPushButton::clicked, this, [this] { RepeaterCloseClick(); });

    // Channel table, bottom.
    StringGrid1 = new StringGrid(m_editor, Panel1);
    StringGrid1->setGeometry(5, 157, 787, 235);
    connect(StringGrid1, &StringGrid::cellSelected, this, [this](int col, int row) {
        act([&] { StringGrid1SelectCell(col, row); });
    });
    connect(StringGrid1, &StringGrid::keyDown, this, [this](int key) {
        act([&] { StringGrid1KeyDown(key); }, QStringLiteral("Копирование частоты"));
    });
    // A typed cell, a picked item or a ticked box: each one undo step.
    connect(StringGrid1->tableModel(), &QAbstractItemModel::dataChanged, this, [this] {
        if (m_actDepth == 0)
            recordUndo(QStringLiteral("Правка ячейки"));
    });

    // Copy and paste work on the grid while it has the keyboard.
    StringGrid1->addAction(CopyItem);
    StringGrid1->addAction(PasteItem);
    Memo1->installEventFilter(this);

    cellEditors = new CellEditors(Panel1);
    using Handler = void (TFormMain::*)();
    static const Handler change[8] = {&TFormMain::ComboBox1Change, &TFormMain::ComboBox2Change,
                                      &TFormMain::ComboBox3Change, &TFormMain::ComboBox4Change,
                                      &TFormMain::ComboBox5Change, &TFormMain::ComboBox6Change,
                                      &TFormMain::ComboBox7Change, &TFormMain::ComboBox8Change};
    static const Handler exit[8] = {&TFormMain::ComboBox1Exit, &TFormMain::ComboBox2Exit,
                                    &TFormMain::ComboBox3Exit, &TFormMain::ComboBox4Exit,
                                    &TFormMain::ComboBox5Exit, &TFormMain::ComboBox6Exit,
                                    &TFormMain::ComboBox7Exit, &TFormMain::ComboBox8Exit};
    connect(cellEditors, &CellEditors::picked, this, [this](int n) { (this->*change[n - 1])(); });
    connect(cellEditors, &CellEditors::left, this, [this](int n) { (this->*exit[n - 1])(); });
    connect(cellEditors, &CellEditors::navigated, this, [this](int n, int key, Qt::KeyboardModifiers m) {
        listNavigated(n, key, m);
    });
}

// One undo step: the editor before and after. Qt runs redo() when the step is pushed; the
// editor is already there then.
class TFormMain::UndoStep : public QUndoCommand {
public:
    UndoStep(TFormMain &w, const QString &text, EditorSnapshot before, EditorSnapshot after)
        : QUndoCommand(text), m_w(w), m_before(std::move(before)), m_after(std::move(after)) {}
    void undo() override { m_w.restore(m_before); }
    void redo() override {
        if (m_pushed)
            m_w.restore(m_after);
        m_pushed = true;
    }

private:
    TFormMain &m_w;
    EditorSnapshot m_before, m_after;
    bool m_pushed = false;
};

void TFormMain::restore(const EditorSnapshot &snapshot) {
    m_restoring = true;
    if (cellEditors->visibleList())
        cellEditors->visibleList()->hide();
    restoreSnapshot(m_editor, snapshot);
    m_undoBase = snapshot;
    Memo1->setPlainText(m_editor.memo.join(QLatin1Char('\n')));
    StringGrid1->reload();
    showEditor();
    m_restoring = false;
}

void TFormMain::applyStationRead(const std::function<void()> &phase) {
    runAction(m_op, phase);
    showEditor();
}

void TFormMain::replaceEditor(const Editor &ed) {
    m_restoring = true;
    if (cellEditors->visibleList())
        cellEditors->visibleList()->hide();
    m_editor = ed;
    Memo1->setPlainText(m_editor.memo.join(QLatin1Char('\n')));
    StringGrid1->reload();
    showEditor();
    m_restoring = false;
}

void TFormMain::recordUndo(const QString &step) {
    if (m_restoring)
        return;
    EditorSnapshot now = takeSnapshot(m_editor);
    if (now == m_undoBase)
        return;
    // Recording leaves DataChecked alone, as editing does; undo and redo clear it.
    m_undo->push(new UndoStep(*this, step, m_undoBase, now));
    m_undoBase = std::move(now);
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

void TFormMain::showEditor() {
    const EditorState &s = m_editor.state;
    setWindowTitle(s.title);
    static const int itemOfBand[5] = {-1, 0, 2, 3, 4};
    for (int i = 0; i < 5; ++i)
        if (BandItems[i]->isCheckable())
            BandItems[i]->setChecked(s.tickedBand >= 1 && s.tickedBand <= 4 && i == itemOfBand[s.tickedBand]);
    for (int i = 0; i < 6; ++i)
        ModuleItems[i]->setChecked(i == s.tickedModule);

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
    StringGrid1->horizontalHeader()->viewport()->update();
}

// ---- Menu "Каналы" ----

void TFormMain::CreateTemplateClick() {
    act([&] {
        m_editor.view.panel1 = true;
        m_editor.templ.start = QString::number(m_editor.state.bandSettings.BandLow);
    });
    Edit1->setFocus();
}

void TFormMain::BitBtn1Click() {
    act([&] {
        createTemplate(m_editor, m_op);
        StringGrid1->reload();
    }, QStringLiteral("Создание шаблона"));
}

void TFormMain::N3Click() {
    act([&] {
        if (m_editor.table.channelCount() == 0) {
            m_op.message(noChannelRowsMessage());
            return;
        }
        const QString path = m_op.saveFileName(saveDialogRequest());
        if (!path.isEmpty())
            saveSettingsFile(m_editor, path);
    });
}

void TFormMain::N4Click() {
    act([&] {
        const QString path = m_op.openFileName(openDialogRequest());
        if (path.isEmpty())
            return;
        loadSettingsFile(m_editor, path);
        StringGrid1->reload();
    }, QStringLiteral("Чтение файла"));
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
    act([&] { runDataCheck(m_editor, m_op); });
}

void TFormMain::ReportClick() {
    act([&] {
        if (!passGate(m_editor.state, Gate::ReportMenu, m_op))
            return;
        showMinimized();
        if (m_reportWindow)
            m_reportWindow->show();
    });
}

void TFormMain::LinkClick() {
    act([&] {
        if (m_linkWindow)
            m_linkWindow->show();
        showMinimized();
        if (m_linkWindow)
            m_linkWindow->LoadPortChoice();
    });
}

void TFormMain::CopyClick() {
    const QModelIndexList selected = StringGrid1->selectionModel()->selectedIndexes();
    int left = StringGrid1->currentCol(), right = left, top = StringGrid1->currentRow(), bottom = top;
    if (!selected.isEmpty()) {
        left = top = INT_MAX;
        right = bottom = -1;
        for (const QModelIndex &i : selected) {
            left = qMin(left, i.column());
            right = qMax(right, i.column());
            top = qMin(top, i.row() + 1);
            bottom = qMax(bottom, i.row() + 1);
        }
    }
    if (left < 0 || top < 1)
        return;
    QApplication::clipboard()->setText(copyCells(m_editor.table, left, top, right, bottom));
}

void TFormMain::PasteClick() {
    const int col = StringGrid1->currentCol();
    const int row = StringGrid1->currentRow();
    if (col < 0 || row < 1)
        return;
    const QString text = QApplication::clipboard()->text();
    act([&] {
        if (QComboBox *box = cellEditors->visibleList())
            box->hide();
        const PasteOutcome outcome = pasteCells(m_editor.table, col, row, parseDelimited(text, QLatin1Char('\t')));
        StringGrid1->viewport()->update();
        recordUndo(QStringLiteral("Вставка"));
        if (!outcome.message().isEmpty())
            m_op.message(outcome.message());
    });
}

void TFormMain::ImportCsvClick() {
    act([&] {
        const QString path = m_op.openFileName(FileDialogRequest{QStringLiteral("Импорт каналов из CSV (CHIRP)"),
                                                                 QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"),
                                                                 QString(), QDir::homePath()});
        if (path.isEmpty())
            return;
        const CsvImport import = importChirpCsv(QString::fromUtf8(readSavedFileBytes(path)), m_editor.state.bandSettings);
        applyCsvImport(m_editor, import);
        StringGrid1->reload();
        recordUndo(QStringLiteral("Импорт CSV"));
        m_op.message(import.summary());
    });
}

void TFormMain::ExportCsvClick() {
    act([&] {
        const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Экспорт каналов в CSV (CHIRP)"),
                                                                 QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"),
                                                                 QStringLiteral("channels.csv"), QDir::homePath()});
        if (path.isEmpty())
            return;
        const CsvExport out = exportChirpCsv(m_editor.table);
        writeFileAtomically(path, out.csv);
        if (!out.summary().isEmpty())
            m_op.message(out.summary());
    });
}

void TFormMain::ExitClick() {
    close();
}

void TFormMain::closeEvent(QCloseEvent *event) {
    if (m_logWindow)
        m_logWindow->close();
    // Closing the main window ends the program, whatever other window is open.
    if (m_linkWindow)
        m_linkWindow->close();
    if (m_reportWindow)
        m_reportWindow->close();
    QMainWindow::closeEvent(event);
}

void TFormMain::BandClick(int band) {
    act([&] { selectBand(m_editor, band); });
}

void TFormMain::ModuleClick(int item) {
    act([&] { chooseModule(m_editor, item); });
}

// ---- Key filters ----

bool TFormMain::Edit1KeyPress(QChar key) {
    return keyPress(Edit1, key);
}

bool TFormMain::Edit2KeyPress(QChar key) {
    return keyPress(Edit2, key);
}

bool TFormMain::Edit3KeyPress(QChar key) {
    return keyPress(Edit3, key);
}

bool TFormMain::Edit4KeyPress(QChar key) {
    return keyPress(Edit4, key);
}

bool TFormMain::keyAllowed(QObject *field, QChar key) const {
    if (isDigit(key) || key == Backspace)
        return true;
    return (field == Edit2 || field == Edit3) && key == QLatin1Char(',');
}

bool TFormMain::keyPress(QObject *field, QChar key) {
    if (keyAllowed(field, key))
        return true;
    m_op.beep();
    m_op.message(field == Edit2 || field == Edit3 ? QStringLiteral("Вводите только цифры от 0 до 9 и запятую")
                                                  : QStringLiteral("Вводите только цифры от 0 до 9"));
    return false;
}

void TFormMain::installKeyFilter(QLineEdit *field) {
    field->installEventFilter(this);
    // Pasted or dropped text is judged as if it had been typed: the first character the field
    // does not take refuses the whole insertion, with the field's beep and message.
    field->setValidator(new TypedTextValidator(
        [this, field](QChar c) { return keyAllowed(field, c); },
        [this, field](QChar c) { keyPress(field, c); }, field));
}

bool TFormMain::filterKey(QObject *field, const QKeyEvent *ke) {
    // Shortcuts (select all, copy, cut, paste, undo) and keys that type no character (Delete,
    // Tab, Return, Escape, arrows, Home, End) are not typing; a paste is judged by the validator.
    if (ke->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    if (ke->key() == Qt::Key_Backspace)
        return !keyPress(field, Backspace);
    for (const QChar c : ke->text())
        if (c.isPrint() && !keyPress(field, c))
            return true; // swallowed
    return false;
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && (watched == Edit1 || watched == Edit2 || watched == Edit3 || watched == Edit4)) {
        if (filterKey(watched, static_cast<QKeyEvent *>(event)))
            return true;
    }
    if (event->type() == QEvent::FocusOut && watched == Memo1 && !m_restoring) {
        pullEditor();
        if (m_editor.memo != m_undoBase.memo)
            recordUndo(QStringLiteral("Правка общих установок"));
    }
    if (event->type() == QEvent::ToolTip && watched == menuBar()) {
        auto *he = static_cast<QHelpEvent *>(event);
        QAction *a = menuBar()->actionAt(he->pos());
        if (a && !a->toolTip().isEmpty() && a->toolTip() != a->text().remove(QLatin1Char('&')))
            QToolTip::showText(he->globalPos(), a->toolTip(), menuBar(), menuBar()->actionGeometry(a));
        else
            QToolTip::hideText();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

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
