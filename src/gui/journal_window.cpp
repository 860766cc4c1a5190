// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/journal_window.h"

#include "journal/certificate.h"
#include "report/docx_writer.h"
#include "report/report_pdf.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "gui/journal_reader.h"
#include "gui/window_placement.h"
#include "journal/journal_text.h"

#include <QCalendarWidget>
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
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tolvin {

namespace {
// Entries read at a time: more than a workshop reads through; the filters, or "Ещё", find the rest.
constexpr int Page = 5000;

// The message before the long device names, so that it shows without scrolling.
const QStringList Columns{QStringLiteral("Время"),     QStringLiteral("Операция"), QStringLiteral("Серийный номер"),
                          QStringLiteral("Тип"),       QStringLiteral("Итог"),     QStringLiteral("Сообщение"),
                          QStringLiteral("Устройство"), QStringLiteral("Стенд"),   QStringLiteral("Пользователь")};
constexpr int ResultColumn = 4;
constexpr int MessageColumn = 5;
constexpr int WidestMessage = 380;
// The serial number is looked for as it is typed, once typing pauses this long: a reading a
// keystroke, each superseding the last, would only keep the database busy.
constexpr int TypingPauseMs = 250;
} // namespace

QString operationCaption(const QString &operation) {
    static const QList<std::pair<QString, QString>> captions{
        {JournalOp::Write, QStringLiteral("Запись")},     {JournalOp::Read, QStringLiteral("Чтение")},
        {JournalOp::Backup, QStringLiteral("Копия")},     {JournalOp::Verify, QStringLiteral("Проверка")},
        {JournalOp::Diff, QStringLiteral("Сравнение")},   {JournalOp::Type, QStringLiteral("Тип р/с")},
        {JournalOp::Report, QStringLiteral("Протокол")}, {JournalOp::Doctor, QStringLiteral("Проверка линии")}};
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

JournalWindow::JournalWindow(JournalPlace place, Operator &op, OpenInEditor openInEditor, QWidget *parent,
                             QString localPath)
    : QWidget(parent, Qt::Window), m_op(op), m_openInEditor(std::move(openInEditor)),
      m_reader(new JournalReader(std::move(place), std::move(localPath))) {
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

    MoreButton = new QPushButton(QStringLiteral("Ещё"), this);
    MoreButton->setToolTip(QStringLiteral("Следующие записи, старше показанных"));
    MoreButton->setEnabled(false);
    OpenButton = new QPushButton(QStringLiteral("Открыть в редакторе"), this);
    SaveAsButton = new QPushButton(QStringLiteral("Сохранить как…"), this);
    CertificateButton = new QPushButton(QStringLiteral("Свидетельство…"), this);
    CertificateButton->setToolTip(QStringLiteral("Протокол конфигурации этой записи с ее номером и SHA-256 (PDF или .docx)"));
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    StatusText = new QLabel(this);
    // What a server or a file says is shown as it is, never taken for markup; a long reason
    // is cut at the window's edge (and whole in the tooltip) instead of widening the window.
    StatusText->setTextFormat(Qt::PlainText);
    StatusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(StatusText, 1);
    buttons->addWidget(MoreButton);
    buttons->addWidget(OpenButton);
    buttons->addWidget(SaveAsButton);
    buttons->addWidget(CertificateButton);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(RefreshButton, &QPushButton::clicked, this, [this] { refresh(true); });
    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(TypingPauseMs);
    connect(m_typing, &QTimer::timeout, this, [this] { refresh(); });
    connect(SerialEdit, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(SerialEdit, &QLineEdit::returnPressed, this, [this] { refresh(); });
    connect(TextEdit, &QLineEdit::returnPressed, this, [this] { refresh(); });
    connect(SinceBox, &QCheckBox::toggled, this, [this](bool on) {
        SinceEdit->setEnabled(on);
        refresh();
    });
    // A date is read once it is typed in full or picked, not at each keystroke on the way.
    connect(SinceEdit, &QDateEdit::editingFinished, this, [this] {
        if (SinceEdit->date() != m_sinceAsked)
            refresh();
    });
    connect(SinceEdit->calendarWidget(), &QCalendarWidget::clicked, this, [this] { refresh(); }, Qt::QueuedConnection);
    connect(SinceEdit->calendarWidget(), &QCalendarWidget::activated, this, [this] { refresh(); }, Qt::QueuedConnection);
    connect(Entries, &QTableWidget::itemSelectionChanged, this, [this] { showDetails(); });
    connect(Entries, &QTableWidget::cellDoubleClicked, this, [this] { OpenClick(); });
    connect(MoreButton, &QPushButton::clicked, this, [this] { MoreClick(); });
    connect(OpenButton, &QPushButton::clicked, this, [this] { OpenClick(); });
    connect(SaveAsButton, &QPushButton::clicked, this, [this] { SaveAsClick(); });
    connect(CertificateButton, &QPushButton::clicked, this, [this] { CertificateClick(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_reader, &JournalReader::pageRead, this,
            [this](const std::shared_ptr<const JournalPage> &page) { showPage(*page); });
    connect(m_reader, &JournalReader::entryFetched, this,
            [this](const std::shared_ptr<const JournalFetched> &f) { fetched(*f); });
    showDetails();
    centreOnFirstShow(this, QStringLiteral("journal"));
}

JournalWindow::~JournalWindow() {
    // Never waits for a query: a reader still in one is left to end on its own.
    m_reader->release();
}

void JournalWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    refresh();
}

void JournalWindow::refresh(bool retryShared) {
    // What the pause would have asked for is asked now.
    m_typing->stop();
    JournalQuery q;
    // The stations whose numbers begin so: a number is found before it is typed in full.
    q.serialPrefix = SerialEdit->text().trimmed();
    q.text = TextEdit->text().trimmed();
    m_sinceAsked = SinceEdit->date();
    // The technician's day, from local midnight.
    if (SinceBox->isChecked())
        q.sinceTime = QDateTime(SinceEdit->date(), QTime(0, 0)).toUTC();
    q.limit = Page;
    read(q, false, retryShared);
}

void JournalWindow::MoreClick() {
    if (!m_more || m_shown.empty() || m_reading != 0)
        return;
    JournalQuery q = m_query;
    q.after = JournalPosition{m_shown.back().time, m_shown.back().id};
    read(q, true, false);
}

void JournalWindow::read(JournalQuery q, bool next, bool retryShared) {
    if (!next)
        m_query = q;
    m_reading = m_reader->read(std::move(q), next, retryShared);
    MoreButton->setEnabled(false);
    say(QStringLiteral("Загрузка…"));
}

void JournalWindow::say(const QString &status) {
    StatusText->setText(status);
    StatusText->setToolTip(status);
}

void JournalWindow::showPage(const JournalPage &page) {
    // An answer to a reading asked for before the last one is not what the filters say now.
    if (page.number != m_reading)
        return;
    m_reading = 0;
    // The journal that answered is not the one the page before came from (the server went
    // away, or came back): its next page would not follow on, so the listing starts again.
    if (page.next && page.local != m_local) {
        refresh();
        return;
    }
    const int first = page.next ? int(m_shown.size()) : 0;
    if (!page.next) {
        m_shown.clear();
        m_waiting.clear();
    }
    m_shown.insert(m_shown.end(), page.entries.begin(), page.entries.end());
    m_waiting.unite(page.waiting);
    m_more = page.more;
    m_local = page.local;
    Entries->setRowCount(int(m_shown.size()));
    for (int row = first; row < int(m_shown.size()); ++row)
        showRow(row);
    Entries->resizeColumnsToContents();
    Entries->setColumnWidth(MessageColumn, std::min(Entries->columnWidth(MessageColumn), WidestMessage));
    MoreButton->setEnabled(m_more);
    if (page.local && page.error.isEmpty())
        say(QStringLiteral("Общий журнал недоступен: %1; ожидают отправки: %2").arg(page.sharedAway).arg(page.waitingCount));
    else if (page.local)
        say(QStringLiteral("Общий журнал недоступен: %1; %2").arg(page.sharedAway, page.error));
    else if (!page.error.isEmpty())
        say(page.error);
    else if (m_more)
        say(QStringLiteral("Показаны последние %1 записей; уточните поиск или нажмите «Ещё»").arg(m_shown.size()));
    else
        say(QStringLiteral("Записей: %1").arg(m_shown.size()));
    if (!page.next && !m_shown.empty())
        selectEntry(0);
    showDetails();
}

void JournalWindow::showRow(int row) {
    const JournalEntry &e = m_shown[size_t(row)];
    // Stored texts come from every bench and station: escaped, each on its one line.
    QString result = journalText(resultCaption(e.result));
    if (m_waiting.contains(e.id))
        result += QStringLiteral(", ожидает отправки");
    const QStringList cells{e.time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                            journalText(operationCaption(e.operation)),
                            journalText(e.serial),
                            journalText(e.stationType),
                            result,
                            journalText(e.message.section(QLatin1Char('\n'), 0, 0)),
                            journalText(e.device),
                            journalText(e.bench),
                            journalText(e.user)};
    for (int col = 0; col < int(cells.size()); ++col)
        Entries->setItem(row, col, new QTableWidgetItem(cells.at(col)));
    if (e.result != JournalResult::Ok)
        Entries->item(row, ResultColumn)->setForeground(QColor(0xb0, 0, 0));
}

void JournalWindow::selectEntry(int row) {
    Entries->selectRow(row);
}

void JournalWindow::showDetails() {
    const int row = Entries->currentRow();
    const bool any = row >= 0 && row < int(m_shown.size()) && !Entries->selectedItems().isEmpty();
    const bool config = any && m_shown[size_t(row)].hasConfig() && m_fetching == 0;
    OpenButton->setEnabled(config);
    SaveAsButton->setEnabled(config);
    CertificateButton->setEnabled(config);
    if (!any) {
        Details->clear();
        return;
    }
    const JournalEntry &e = m_shown[size_t(row)];
    QStringList lines{
        QStringLiteral("%1, %2").arg(journalText(operationCaption(e.operation)), journalText(resultCaption(e.result))),
        QStringLiteral("Время: %1 (%2 UTC)")
            .arg(e.time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), journalTimeText(e.time)),
        QStringLiteral("Станция: %1%2").arg(e.serial.isEmpty() ? QStringLiteral("серийный номер не известен") : journalText(e.serial),
                                            e.stationType.isEmpty() ? QString() : QStringLiteral(", ") + journalText(e.stationType)),
        QStringLiteral("Устройство: %1").arg(e.device.isEmpty() ? QStringLiteral("-") : journalText(e.device)),
        QStringLiteral("Стенд: %1, пользователь %2, программа %3").arg(journalText(e.bench), journalText(e.user), journalText(e.version)),
        QStringLiteral("Длительность: %1 с").arg(QString::number(double(e.durationMs) / 1000.0, 'f', 1).replace(
            QLatin1Char('.'), QLatin1Char(','))),
        QStringLiteral("Конфигурация: %1").arg(e.hasConfig() ? journalText(e.configSha256) : QStringLiteral("нет")),
        QStringLiteral("ID: %1").arg(journalText(e.id))};
    if (m_waiting.contains(e.id))
        lines << QStringLiteral("Ожидает отправки в общий журнал");
    lines << QString();
    // The message keeps its own lines; anything else in them is escaped.
    for (const QString &line : e.message.split(QLatin1Char('\n')))
        lines << journalText(line);
    if (!e.differences.isEmpty()) {
        lines << QString() << QStringLiteral("Различия (%1):").arg(e.differences.size());
        for (const QString &d : e.differences)
            lines << journalText(d);
    }
    Details->setPlainText(lines.join(QLatin1Char('\n')));
}

void JournalWindow::withConfig(std::function<void(const JournalEntry &)> then) {
    const int row = Entries->currentRow();
    if (row < 0 || row >= int(m_shown.size()) || !m_shown[size_t(row)].hasConfig()) {
        m_op.message(QStringLiteral("Выберите запись журнала с конфигурацией"));
        return;
    }
    m_then = std::move(then);
    m_fetchingId = m_shown[size_t(row)].id;
    m_fetching = m_reader->fetch(m_fetchingId, m_local);
    showDetails();
}

void JournalWindow::fetched(const JournalFetched &f) {
    if (f.number != m_fetching)
        return;
    m_fetching = 0;
    const auto then = std::exchange(m_then, nullptr);
    showDetails();
    if (!f.error.isEmpty())
        m_op.message(f.error);
    else if (!f.entry || f.entry->config.isEmpty())
        m_op.message(QStringLiteral("Конфигурации записи %1 нет в журнале").arg(journalText(m_fetchingId)));
    else if (then)
        then(*f.entry);
}

// "07A1F3_2026-12-10_14-03-55.ini", as a backup of the same moment would be named; whatever in
// the serial number a file name cannot hold (a slash, a control character) becomes "_".
static QString entryFileName(const JournalEntry &e) {
    QString serial = e.serial.isEmpty() ? QStringLiteral("станция") : e.serial;
    for (QChar &c : serial)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    return serial + QLatin1Char('_') + e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
           QStringLiteral(".ini");
}

void JournalWindow::OpenClick() {
    withConfig([this](const JournalEntry &e) {
        if (m_openInEditor)
            m_openInEditor(e.config, entryFileName(e));
    });
}

void JournalWindow::SaveAsClick() {
    withConfig([this](const JournalEntry &e) {
        const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Сохранение конфигурации из журнала"),
                                                                 QStringLiteral("Файлы(*.ini)"), QStringLiteral("ini"),
                                                                 entryFileName(e), QString()});
        if (path.isEmpty())
            return;
        if (const std::optional<Failure> f = catchFailure([&] { writeFileAtomically(path, e.config); }))
            m_op.message(f->message);
    });
}

void JournalWindow::CertificateClick() {
    withConfig([this](const JournalEntry &e) {
        QString name = entryFileName(e);
        name.chop(4);
        const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Свидетельство записи журнала"),
                                                                 QStringLiteral("PDF (*.pdf);;Документ Word (*.docx)"),
                                                                 QStringLiteral("pdf"), name + QStringLiteral(".pdf"), QString()});
        if (path.isEmpty())
            return;
        if (const std::optional<Failure> f = catchFailure([&] {
                const Document certificate = buildCertificate(e);
                if (path.endsWith(QLatin1String(".docx"), Qt::CaseInsensitive))
                    writeFileAtomically(path, docxBytes(certificate));
                else
                    writeReportPdf(certificate, path);
            }))
            m_op.message(f->message);
    });
}

} // namespace tolvin
