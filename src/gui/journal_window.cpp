// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/journal_window.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "gui/window_placement.h"
#include "journal/journal_store.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tolvin {

namespace {
// More than a workshop reads through; the filters find the rest.
constexpr int MostShown = 5000;
// Entries read at a time, and the most pages a text search reads before it asks for more.
constexpr int Page = 5000;
constexpr int MostPages = 40;

// The message before the long device names, so that it shows without scrolling.
const QStringList Columns{QStringLiteral("Время"),     QStringLiteral("Операция"), QStringLiteral("Серийный номер"),
                          QStringLiteral("Тип"),       QStringLiteral("Итог"),     QStringLiteral("Сообщение"),
                          QStringLiteral("Устройство"), QStringLiteral("Стенд"),   QStringLiteral("Пользователь")};
constexpr int MessageColumn = 5;
constexpr int WidestMessage = 380;
} // namespace

QString operationCaption(const QString &operation) {
    static const QList<std::pair<QString, QString>> captions{
        {JournalOp::Write, QStringLiteral("Запись")},     {JournalOp::Read, QStringLiteral("Чтение")},
        {JournalOp::Backup, QStringLiteral("Копия")},     {JournalOp::Verify, QStringLiteral("Проверка")},
        {JournalOp::Diff, QStringLiteral("Сравнение")},   {JournalOp::Type, QStringLiteral("Тип р/с")},
        {JournalOp::Report, QStringLiteral("Протокол")}};
    for (const auto &[op, caption] : captions)
        if (op == operation)
            return caption;
    return operation;
}

QString resultCaption(const QString &result) {
    if (result == JournalResult::Ok)
        return QStringLiteral("успешно");
    if (result == JournalResult::Stopped)
        return QStringLiteral("прервано");
    if (result == JournalResult::Failed)
        return QStringLiteral("ошибка");
    return result;
}

bool entryMatches(const JournalEntry &e, const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return true;
    const QStringList fields{e.serial,  e.message, e.device,  e.bench, e.user, e.stationType, operationCaption(e.operation),
                             e.operation, e.id,    e.differences.join(QLatin1Char('\n'))};
    for (const QString &f : fields)
        if (f.contains(t, Qt::CaseInsensitive))
            return true;
    return false;
}

JournalWindow::JournalWindow(JournalPlace place, Operator &op, OpenInEditor openInEditor, QWidget *parent)
    : QWidget(parent, Qt::Window), m_place(std::move(place)), m_op(op), m_openInEditor(std::move(openInEditor)) {
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Журнал станций"));
    resize(980, 560);

    SerialEdit = new QLineEdit(this);
    SerialEdit->setObjectName(QStringLiteral("SerialEdit"));
    SerialEdit->setPlaceholderText(QStringLiteral("например, 07A1F3"));
    SerialEdit->setClearButtonEnabled(true);
    TextEdit = new QLineEdit(this);
    TextEdit->setObjectName(QStringLiteral("TextEdit"));
    TextEdit->setPlaceholderText(QStringLiteral("в сообщении, устройстве, стенде…"));
    TextEdit->setClearButtonEnabled(true);
    SinceBox = new QCheckBox(QStringLiteral("с"), this);
    SinceEdit = new QDateEdit(QDate::currentDate().addMonths(-1), this);
    SinceEdit->setCalendarPopup(true);
    SinceEdit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    SinceEdit->setEnabled(false);
    RefreshButton = new QPushButton(QStringLiteral("Обновить"), this);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Серийный номер:"), this));
    filters->addWidget(SerialEdit);
    filters->addWidget(new QLabel(QStringLiteral("Текст:"), this));
    filters->addWidget(TextEdit, 1);
    filters->addWidget(SinceBox);
    filters->addWidget(SinceEdit);
    filters->addWidget(RefreshButton);

    Entries = new QTableWidget(0, int(Columns.size()), this);
    Entries->setObjectName(QStringLiteral("Entries"));
    Entries->setHorizontalHeaderLabels(Columns);
    Entries->setSelectionBehavior(QAbstractItemView::SelectRows);
    Entries->setSelectionMode(QAbstractItemView::SingleSelection);
    Entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Entries->verticalHeader()->setVisible(false);
    Entries->horizontalHeader()->setStretchLastSection(true);
    Entries->setWordWrap(false);

    Details = new QPlainTextEdit(this);
    Details->setObjectName(QStringLiteral("Details"));
    Details->setReadOnly(true);
    Details->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(Entries);
    split->addWidget(Details);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    OpenButton = new QPushButton(QStringLiteral("Открыть в редакторе"), this);
    SaveAsButton = new QPushButton(QStringLiteral("Сохранить как…"), this);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    StatusText = new QLabel(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(StatusText, 1);
    buttons->addWidget(OpenButton);
    buttons->addWidget(SaveAsButton);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(RefreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(SerialEdit, &QLineEdit::returnPressed, this, [this] { refresh(); });
    connect(TextEdit, &QLineEdit::returnPressed, this, [this] { refresh(); });
    connect(SinceBox, &QCheckBox::toggled, this, [this](bool on) {
        SinceEdit->setEnabled(on);
        refresh();
    });
    connect(SinceEdit, &QDateEdit::dateChanged, this, [this] { refresh(); });
    connect(Entries, &QTableWidget::itemSelectionChanged, this, [this] { showDetails(); });
    connect(Entries, &QTableWidget::cellDoubleClicked, this, [this] { OpenClick(); });
    connect(OpenButton, &QPushButton::clicked, this, [this] { OpenClick(); });
    connect(SaveAsButton, &QPushButton::clicked, this, [this] { SaveAsClick(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    showDetails();
    centreOnFirstShow(this, QStringLiteral("journal"));
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    refresh();
}

JournalStore *JournalWindow::store() {
    if (!m_store)
        m_store = std::make_unique<JournalStore>(m_place);
    return m_store.get();
}

void JournalWindow::refresh() {
    JournalQuery q;
    q.serial = SerialEdit->text().trimmed();
    // The technician's day, from local midnight.
    if (SinceBox->isChecked())
        q.sinceTime = QDateTime(SinceEdit->date(), QTime(0, 0)).toUTC();
    q.limit = Page;
    m_shown.clear();
    bool more = false;
    // The text is looked for here, page by page, until the table is full: a match older than
    // the first page is still found.
    if (const std::optional<Failure> f = catchFailure([&] {
            for (int page = 0; page < MostPages && !more; ++page) {
                q.offset = page * Page;
                std::vector<JournalEntry> found = store()->list(q);
                for (JournalEntry &e : found) {
                    if (!entryMatches(e, TextEdit->text()))
                        continue;
                    if (m_shown.size() == size_t(MostShown)) {
                        more = true;
                        break;
                    }
                    m_shown.push_back(std::move(e));
                }
                if (found.size() < size_t(Page))
                    break;
                more = more || page == MostPages - 1;
            }
        })) {
        // Opened again next time: the server may be back, the file mended.
        m_store.reset();
        m_shown.clear();
        Entries->setRowCount(0);
        StatusText->setText(f->message);
        showDetails();
        return;
    }
    Entries->setRowCount(int(m_shown.size()));
    for (int row = 0; row < int(m_shown.size()); ++row) {
        const JournalEntry &e = m_shown[size_t(row)];
        const QStringList cells{e.time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                operationCaption(e.operation), e.serial, e.stationType, resultCaption(e.result),
                                e.message.section(QLatin1Char('\n'), 0, 0), e.device, e.bench, e.user};
        for (int col = 0; col < int(cells.size()); ++col)
            Entries->setItem(row, col, new QTableWidgetItem(cells.at(col)));
        if (e.result != JournalResult::Ok)
            Entries->item(row, 4)->setForeground(QColor(0xb0, 0, 0));
    }
    Entries->resizeColumnsToContents();
    Entries->setColumnWidth(MessageColumn, std::min(Entries->columnWidth(MessageColumn), WidestMessage));
    StatusText->setText(more ? QStringLiteral("Показаны последние %1 записей; уточните поиск").arg(m_shown.size())
                             : QStringLiteral("Записей: %1").arg(m_shown.size()));
    if (!m_shown.empty())
        selectEntry(0);
    showDetails();
}

void JournalWindow::selectEntry(int row) {
    Entries->selectRow(row);
}

void JournalWindow::showDetails() {
    const int row = Entries->currentRow();
    const bool any = row >= 0 && row < int(m_shown.size()) && !Entries->selectedItems().isEmpty();
    OpenButton->setEnabled(any && m_shown[size_t(row)].hasConfig());
    SaveAsButton->setEnabled(any && m_shown[size_t(row)].hasConfig());
    if (!any) {
        Details->clear();
        return;
    }
    const JournalEntry &e = m_shown[size_t(row)];
    QStringList lines{
        QStringLiteral("%1, %2").arg(operationCaption(e.operation), resultCaption(e.result)),
        QStringLiteral("Время: %1 (%2 UTC)")
            .arg(e.time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), journalTimeText(e.time)),
        QStringLiteral("Станция: %1%2").arg(e.serial.isEmpty() ? QStringLiteral("серийный номер не известен") : e.serial,
                                            e.stationType.isEmpty() ? QString() : QStringLiteral(", ") + e.stationType),
        QStringLiteral("Устройство: %1").arg(e.device.isEmpty() ? QStringLiteral("-") : e.device),
        QStringLiteral("Стенд: %1, пользователь %2, программа %3").arg(e.bench, e.user, e.version),
        QStringLiteral("Длительность: %1 с").arg(QString::number(double(e.durationMs) / 1000.0, 'f', 1).replace(
            QLatin1Char('.'), QLatin1Char(','))),
        QStringLiteral("Конфигурация: %1").arg(e.hasConfig() ? e.configSha256 : QStringLiteral("нет")),
        QStringLiteral("ID: %1").arg(e.id),
        QString(),
        e.message};
    if (!e.differences.isEmpty()) {
        lines << QString() << QStringLiteral("Различия (%1):").arg(e.differences.size());
        lines << e.differences;
    }
    Details->setPlainText(lines.join(QLatin1Char('\n')));
}

std::optional<JournalEntry> JournalWindow::selectedWithConfig() {
    const int row = Entries->currentRow();
    if (row < 0 || row >= int(m_shown.size()) || !m_shown[size_t(row)].hasConfig()) {
        m_op.message(QStringLiteral("Выберите запись журнала с конфигурацией"));
        return std::nullopt;
    }
    std::optional<JournalEntry> e;
    if (const std::optional<Failure> f = catchFailure([&] { e = store()->entry(m_shown[size_t(row)].id); })) {
        m_store.reset();
        m_op.message(f->message);
        return std::nullopt;
    }
    if (!e || e->config.isEmpty()) {
        m_op.message(QStringLiteral("Конфигурации записи %1 нет в журнале").arg(m_shown[size_t(row)].id));
        return std::nullopt;
    }
    return e;
}

// "07A1F3_2026-12-10_14-03-55.ini", as a backup of the same moment would be named.
static QString entryFileName(const JournalEntry &e) {
    return (e.serial.isEmpty() ? QStringLiteral("станция") : e.serial) + QLatin1Char('_') +
           e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".ini");
}

void JournalWindow::OpenClick() {
    const std::optional<JournalEntry> e = selectedWithConfig();
    if (e && m_openInEditor)
        m_openInEditor(e->config, entryFileName(*e));
}

void JournalWindow::SaveAsClick() {
    const std::optional<JournalEntry> e = selectedWithConfig();
    if (!e)
        return;
    const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Сохранение конфигурации из журнала"),
                                                             QStringLiteral("Файлы(*.ini)"), QStringLiteral("ini"),
                                                             entryFileName(*e), QString()});
    if (path.isEmpty())
        return;
    if (const std::optional<Failure> f = catchFailure([&] { writeFileAtomically(path, e->config); }))
        m_op.message(f->message);
}

} // namespace tolvin
