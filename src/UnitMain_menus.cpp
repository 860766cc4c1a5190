// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus and panels: every control in its place, connected to its handler.
#include "UnitMain.h"

#include "gui/cell_editors.h"
#include "gui/exchange_log_window.h"
#include "gui/mnemonics.h"
#include "gui/string_grid.h"
#include "table/bands.h"

#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QMenu>
#include <QUndoStack>

using namespace tolvin;

namespace {

const QSize ClientSize(797, 397);
const QPoint GridTopLeft(5, 157);
const int GridMargin = 5;

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

} // namespace

void TFormMain::buildMenus() {
    QMenuBar *bar = menuBar();
    // Every caption carries its letter for Alt and the menus (mnemonicCaption); the shortcuts are
    // those of every desktop program, shown in the menus.
    const auto item = [this](QMenu *menu, const char16_t *caption, const char *letter, auto handler,
                             const QKeySequence &keys = {}) {
        QAction *a = menu->addAction(mnemonicCaption(QString::fromUtf16(caption), QString::fromUtf8(letter)), this, handler);
        a->setShortcut(keys);
        return a;
    };

    QMenu *channels = bar->addMenu(mnemonicCaption(QStringLiteral("Каналы"), QStringLiteral("К")));
    CreateTemplateItem = item(channels, u"Создать шаблон", "С", [this] { CreateTemplateClick(); }, QKeySequence::New);
    channels->addSeparator();
    SaveItem = item(channels, u"Запись в файл", "З", [this] { N3Click(); }, QKeySequence::Save);
    LoadItem = item(channels, u"Чтение файла", "Ч", [this] { N4Click(); }, QKeySequence::Open);
    // Working comfort below the original items, which keep their places.
    channels->addSeparator();
    SaveAsItem = item(channels, u"Записать как…", "к", [this] { SaveAsClick(); }, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    CompareItem = item(channels, u"Сравнить с файлом…", "ф", [this] { CompareClick(); });
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
    // The step's name follows the caption, and the caption keeps its letter.
    connect(m_undo, &QUndoStack::undoTextChanged, this, [this](const QString &t) {
        UndoItem->setText(mnemonicCaption(t.isEmpty() ? QStringLiteral("Отменить") : QStringLiteral("Отменить: ") + t,
                                          QStringLiteral("О")));
    });
    connect(m_undo, &QUndoStack::redoTextChanged, this, [this](const QString &t) {
        RedoItem->setText(mnemonicCaption(t.isEmpty() ? QStringLiteral("Повторить") : QStringLiteral("Повторить: ") + t,
                                          QStringLiteral("П")));
    });
    UndoItem->setText(mnemonicCaption(UndoItem->text(), QStringLiteral("О")));
    RedoItem->setText(mnemonicCaption(RedoItem->text(), QStringLiteral("П")));
    channels->addSeparator();
    CopyItem = item(channels, u"Копировать ячейки", "я", [this] { CopyClick(); }, QKeySequence::Copy);
    PasteItem = item(channels, u"Вставить ячейки", "а", [this] { PasteClick(); }, QKeySequence::Paste);
    // Delete is the grid's own key (a cell being typed in keeps it); the menu only names it.
    ClearItem = item(channels, u"Очистить ячейки", "й", [this] { ClearCellsClick(); });
    ClearItem->setText(ClearItem->text() + QStringLiteral("\tDel"));
    channels->addSeparator();
    // Ctrl+Insert and Ctrl+Delete: a cell being typed in keeps them (copy, delete a word).
    InsertRowItem = item(channels, u"Вставить канал", "В", [this] { InsertChannelClick(); }, QKeySequence(Qt::CTRL | Qt::Key_Insert));
    DeleteRowsItem = item(channels, u"Удалить каналы", "У", [this] { DeleteChannelsClick(); }, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    MoveUpItem = item(channels, u"Переместить вверх", "х", [this] { MoveChannelsClick(-1); }, QKeySequence(Qt::CTRL | Qt::Key_Up));
    MoveDownItem = item(channels, u"Переместить вниз", "н", [this] { MoveChannelsClick(+1); }, QKeySequence(Qt::CTRL | Qt::Key_Down));
    SortByRxItem = item(channels, u"Сортировать по частоте приема", "т", [this] { SortChannelsClick(false); });
    SortByNumberItem = item(channels, u"Сортировать по номеру канала", "м", [this] { SortChannelsClick(true); });
    RenumberItem = item(channels, u"Перенумеровать 1..N", "1", [this] { RenumberClick(); });
    // The grid's own shortcuts, also while a list stands over one of its cells; the settings text
    // and the fields keep theirs.
    for (QAction *a : gridActions())
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    channels->addSeparator();
    ImportCsvItem = item(channels, u"Импорт каналов из CSV (CHIRP)...", "И", [this] { ImportCsvClick(); });
    ExportCsvItem = item(channels, u"Экспорт каналов в CSV (CHIRP)...", "Э", [this] { ExportCsvClick(); });

    QMenu *equipment = bar->addMenu(mnemonicCaption(QStringLiteral("Доп. оборудование"), QStringLiteral("Д")));
    QMenu *modules = equipment->addMenu(mnemonicCaption(QStringLiteral("Модули "), QStringLiteral("М")));
    auto *moduleGroup = new QActionGroup(this);
    moduleGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < 6; ++i) {
        QAction *a = modules->addAction(moduleCaptions().at(i), this, [this, i] { ModuleClick(i); });
        a->setCheckable(true);
        moduleGroup->addAction(a);
        ModuleItems[i] = a;
    }
    // The captions share their first letters.
    markFreeLetters(modules);

    RepeaterItem = bar->addAction(mnemonicCaption(QStringLiteral("Ретранслятор"), QStringLiteral("Р")), this, [this] { RepeaterClick(); });
    CheckItem = bar->addAction(mnemonicCaption(QStringLiteral("Контроль"), QStringLiteral("н")), this, [this] { CheckClick(); });
    CheckItem->setShortcut(Qt::Key_F9);
    CheckItem->setToolTip(QStringLiteral("Проверка введенных данных"));
    CheckItem->setStatusTip(QStringLiteral("Проверка введенных данных"));
    // A menu bar shows no hints of its own; its tool-tip events are answered here.
    bar->installEventFilter(this);

    QMenu *station = bar->addMenu(mnemonicCaption(QStringLiteral("Станция"), QStringLiteral("С")));
    ReportItem = item(station, u"Создать протокол", "п", [this] { ReportClick(); }, QKeySequence::Print);
    station->addSeparator();
    LinkItem = item(station, u"Запись/Чтение данных", "З", [this] { LinkClick(); }, QKeySequence(Qt::CTRL | Qt::Key_L));
    QMenu *types = station->addMenu(mnemonicCaption(QStringLiteral("Тип радиостанции"), QStringLiteral("Т")));
    auto *bandGroup = new QActionGroup(this);
    bandGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < BandMenuItems; ++i) {
        const StationModelRow *model = nullptr;
        for (const StationModelRow &m : StationModels)
            if (m.menuItem == i)
                model = &m;
        QAction *a = types->addAction(model ? QString::fromUtf16(model->caption) : inertBandCaption());
        if (model) {
            const int band = model->band;
            a->setCheckable(true);
            bandGroup->addAction(a);
            connect(a, &QAction::triggered, this, [this, band] { BandClick(band); });
        }
        BandItems[i] = a;
    }
    markFreeLetters(types);
    station->addSeparator();
    BatchItem = item(station, u"Серия станций…", "р", [this] { BatchClick(); });
    station->addSeparator();
    PrintReportItem = item(station, u"Печать протокола…", "е", [this] { ReportClick(ReportOutput::Print); });
    PdfReportItem = item(station, u"Сохранить протокол в PDF…", "х", [this] { ReportClick(ReportOutput::Pdf); });
    station->addSeparator();
    ExchangeLogItem = item(station, u"Журнал обмена", "б", [this] {
        // A window of its own, so that it stays up while the main window is minimised for a write.
        if (!m_logWindow)
            m_logWindow = new ExchangeLogWindow(*m_exchangeLog, m_op);
        m_logWindow->show();
        m_logWindow->raise();
    });
    JournalItem = item(station, u"Журнал станций", "Ж", [this] { JournalClick(); }, QKeySequence(Qt::CTRL | Qt::Key_J));

    ExitItem = bar->addAction(mnemonicCaption(QStringLiteral("Выход"), QStringLiteral("В")), this, [this] { ExitClick(); });
    ExitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    AboutItem = bar->addAction(mnemonicCaption(QStringLiteral("О программе"), QStringLiteral("О")), this, [this] { AboutClick(); });
    installMenuKeys(this);
}

void TFormMain::layoutPanels(const QSize &client) {
    if (!Panel1 || !StringGrid1)
        return;
    Panel1->setGeometry(QRect(QPoint(0, 0), client));
    StartHint->setGeometry(QRect(GridTopLeft, QPoint(client.width() - GridMargin - 1, client.height() - GridMargin - 1)));
    StringGrid1->setGeometry(QRect(GridTopLeft, QPoint(client.width() - GridMargin - 1, client.height() - GridMargin - 1)));
}

void TFormMain::buildPanels() {
    // The original size is the least; a larger window gives the table the room.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setMinimumSize(ClientSize);
    client->installEventFilter(this);
    setCentralWidget(client);

    StartHint = new QLabel(QStringLiteral("Создайте шаблон (Каналы → Создать шаблон) или откройте файл настроек"), client);
    StartHint->setObjectName(QStringLiteral("StartHint"));
    StartHint->setAlignment(Qt::AlignCenter);
    StartHint->setWordWrap(true);
    StartHint->setEnabled(false); // drawn in the muted colour of a hint

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
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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
    StringGrid1->setGeometry(GridTopLeft.x(), GridTopLeft.y(), 787, 235);
    connect(StringGrid1, &StringGrid::cellSelected, this, [this](int col, int row) {
        act([&] { StringGrid1SelectCell(col, row); });
    });
    connect(StringGrid1, &StringGrid::clearRequested, this, [this] { ClearCellsClick(); });
    connect(StringGrid1, &StringGrid::typedOnList, this, [this](int col, int row, const QString &text) {
        typedOnListCell(col, row, text);
    });
    connect(StringGrid1, &StringGrid::listRequested, this, [this](int col, int row) {
        act([&] { StringGrid1SelectCell(col, row); });
        if (QComboBox *open = cellEditors->visibleList())
            open->showPopup();
    });
    connect(StringGrid1, &StringGrid::keyDown, this, [this](int key) {
        act([&] { StringGrid1KeyDown(key); }, QStringLiteral("Копирование частоты"));
    });
    // A typed cell, a picked item or a ticked box: each one undo step.
    connect(StringGrid1->tableModel(), &QAbstractItemModel::dataChanged, this, [this] {
        if (m_actDepth == 0)
            recordUndo(QStringLiteral("Правка ячейки"));
    });

    // Copy, paste, clearing and the row actions work on the grid while it has the keyboard.
    StringGrid1->addActions(gridActions());
    // The same, and the sorting, by the right mouse button or the menu key.
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu(this);
        menu.addActions({CopyItem, PasteItem, ClearItem});
        menu.addSeparator();
        menu.addActions({InsertRowItem, DeleteRowsItem, MoveUpItem, MoveDownItem});
        menu.addSeparator();
        menu.addActions({SortByRxItem, SortByNumberItem, RenumberItem});
        menu.exec(StringGrid1->viewport()->mapToGlobal(at));
    });
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
    for (int n = 1; n <= 8; ++n)
        cellEditors->list(n)->addActions(gridActions());
    connect(cellEditors, &CellEditors::typed, this, [this](int n, const QString &text) {
        listLeft(n);
        typedOnListCell(StringGrid1->currentCol(), StringGrid1->currentRow(), text);
    });
    connect(cellEditors, &CellEditors::navigated, this, [this](int n, int key, Qt::KeyboardModifiers m) {
        listNavigated(n, key, m);
    });
    layoutPanels(ClientSize);
}
