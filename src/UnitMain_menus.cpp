// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus and panels: every control in its place, connected to its handler.
#include "UnitMain.h"

#include "gui/cell_editors.h"
#include "gui/exchange_log_window.h"
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
    station->addSeparator();
    ExchangeLogItem = station->addAction(QStringLiteral("Журнал обмена"), this, [this] {
        // A window of its own, so that it stays up while the main window is minimised for a write.
        if (!m_logWindow)
            m_logWindow = new ExchangeLogWindow(*m_exchangeLog, m_op);
        m_logWindow->show();
        m_logWindow->raise();
    });
    JournalItem = station->addAction(QStringLiteral("Журнал станций"), this, [this] { JournalClick(); });

    ExitItem = bar->addAction(QStringLiteral("Выход"), this, [this] { ExitClick(); });
    AboutItem = bar->addAction(QStringLiteral("О программе"), this, [this] { AboutClick(); });
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
    layoutPanels(ClientSize);
}
