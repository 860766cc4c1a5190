#include "Unit1.h"

#include "UnitMain.h"
#include "check/data_check.h"
#include "check/gates.h"
#include "gui/differences_window.h"
#include "gui/link_outcome.h"
#include "gui/link_worker.h"
#include "gui/window_placement.h"
#include "station_link/exchange_log.h"
#include "station_link/port_finder.h"
#include <QMenu>
#include <QToolButton>
#include "station_link/posix_serial_port.h"
#include "station_link/read_data_check.h"
#include "station_link/read_into_editor.h"
#include "station_link/safeguards.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <utility>

using namespace tolvin;

TForm1::TForm1(TFormMain &main, QWidget *parent)
    : QWidget(parent, Qt::Window), m_main(main), m_worker(new LinkWorker(this)), m_optionsPath(optionsFilePath()),
      m_ticker(new QTimer(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Прием и передача информации в станцию"));
    // The lower strip holds the backup, check and compare controls and the last job's outcome;
    // everything above it stays where the technician knows it.
    setFixedSize(400, 322);

    auto button = [this](const QString &text, const char *name, int x, int y) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, 130, 28);
        return b;
    };
    BitBtn2 = button(QStringLiteral("Запись данных "), "BitBtn2", 12, 12);
    BitBtn3 = button(QStringLiteral("Чтение данных "), "BitBtn3", 12, 46);
    BitBtn5 = button(QStringLiteral("Чтение типа р/с"), "BitBtn5", 12, 80);
    UsbButton = button(QStringLiteral("USB"), "BitBtn4", 12, 114);
    UsbButton->setEnabled(false);
    BitBtn1 = button(QStringLiteral("Выход"), "BitBtn1", 12, 150);

    auto radio = [this](const QString &text, const char *name, const QString &hint, int y) {
        auto *r = new QRadioButton(text, this);
        r->setObjectName(QString::fromLatin1(name));
        r->setToolTip(hint);
        r->setGeometry(160, y, 70, 22);
        return r;
    };
    RadioButton1 = radio(QStringLiteral(" COM1"), "RadioButton1", QStringLiteral("Верхний разъем"), 14);
    RadioButton2 = radio(QStringLiteral(" COM2"), "RadioButton2", QStringLiteral("Нижний разъем"), 40);
    RadioButton2->setChecked(true);
    auto deviceLabel = [this](int y) {
        auto *l = new QToolButton(this);
        l->setGeometry(232, y, 118, 22);
        l->setAutoRaise(true);
        l->setToolButtonStyle(Qt::ToolButtonTextOnly);
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 0.9);
        l->setFont(f);
        return l;
    };
    Com1Device = deviceLabel(14);
    Com2Device = deviceLabel(40);
    // The device beside a COM button is a button itself: it lists the serial ports present.
    connect(Com1Device, &QToolButton::clicked, this, [this] { showPortList(1); });
    connect(Com2Device, &QToolButton::clicked, this, [this] { showPortList(2); });
    showDevices();

    StaticText1 = new QLabel(QStringLiteral("- -"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFrameShape(QFrame::Panel);
    StaticText1->setFrameShadow(QFrame::Sunken);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setGeometry(160, 80, 60, 24);
    QFont f = StaticText1->font();
    f.setBold(true);
    StaticText1->setFont(f);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setOrientation(Qt::Vertical);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->setTextVisible(false);
    Gauge1->setGeometry(355, 12, 30, 166);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(12, 188, 376, 4);
    auto box = [this](const QString &text, const char *name, int y) {
        auto *b = new QCheckBox(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(12, y, 222, 22);
        b->setChecked(true);
        return b;
    };
    BackupBox = box(QStringLiteral("Резервная копия перед записью"), "BackupBox", 198);
    BackupBox->setToolTip(QStringLiteral("Перед записью прочитать станцию и сохранить ее данные в файл"));
    VerifyBox = box(QStringLiteral("Проверка после записи"), "VerifyBox", 222);
    VerifyBox->setToolTip(QStringLiteral("После записи прочитать станцию и сравнить с записанным"));
    CompareButton = new QPushButton(QStringLiteral("Сравнить со станцией"), this);
    CompareButton->setObjectName(QStringLiteral("CompareButton"));
    CompareButton->setToolTip(QStringLiteral("Прочитать станцию, не меняя таблицу, и показать отличия от нее"));
    CompareButton->setGeometry(238, 196, 150, 28);
    SafeguardText = new QLabel(this);
    SafeguardText->setObjectName(QStringLiteral("SafeguardText"));
    SafeguardText->setGeometry(12, 252, 376, 22);
    SafeguardText->setForegroundRole(QPalette::PlaceholderText);
    ResultText = new QLabel(this);
    ResultText->setObjectName(QStringLiteral("ResultText"));
    ResultText->setGeometry(12, 278, 376, 36);
    ResultText->setWordWrap(true);
    ResultText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ResultText->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Under the status: where the job is, and the way out of it beside "Выход".
    PhaseText = new QLabel(this);
    PhaseText->setObjectName(QStringLiteral("PhaseText"));
    PhaseText->setGeometry(160, 108, 190, 38);
    PhaseText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StopButton = new QPushButton(QStringLiteral("Прервать"), this);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setGeometry(160, 150, 130, 28);
    StopButton->setToolTip(QStringLiteral("Остановить обмен на следующем байте и закрыть порт"));
    StopButton->setEnabled(false);
    setPreferencesPath(preferencesFilePath());

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
    connect(CompareButton, &QPushButton::clicked, this, [this] { CompareClick(); });
    connect(BackupBox, &QCheckBox::clicked, this, [this] { BackupBoxClick(); });
    connect(VerifyBox, &QCheckBox::clicked, this, [this] { VerifyBoxClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopClick(); });
    // The time runs on while the line is quiet (a store pause, a station slow to answer).
    m_ticker->setInterval(500);
    connect(m_ticker, &QTimer::timeout, this, [this] { showPhase(); });
    // Closing the program ends a running exchange without asking; see closeEvent.
    m_main.installEventFilter(this);

    // What an exchange reports on its thread lands here, in order.
    connect(m_worker, &LinkWorker::status, StaticText1, &QLabel::setText);
    // The gauge shows the whole job, not each exchange's own figure (which a read counts down).
    connect(m_worker, &LinkWorker::transferred, this, [this](int kind, int done, int total) {
        m_progress.transferred(static_cast<ExchangeKind>(kind), done, total);
        Gauge1->setValue(m_progress.percent());
        showPhase();
    });
    connect(m_worker, &LinkWorker::buttonsEnabled, this, [this](bool on) { setExchangeButtons(on); });
    connect(m_worker, &LinkWorker::readProgress, this, [this](int phase, const QByteArray &stream) {
        m_main.applyStationRead([&] { applyReadPhase(m_main.editor(), static_cast<ReadPhase>(phase), stream); });
    });
    connect(m_worker, &LinkWorker::finished, this, [this](const QString &error) {
        BitBtn5->setEnabled(true);
        CompareButton->setEnabled(true);
        RadioButton1->setEnabled(true);
        RadioButton2->setEnabled(true);
        setExchangeButtons(true);
        StopButton->setEnabled(false);
        m_ticker->stop();
        showPhase();
        auto after = std::move(m_after);
        m_after = nullptr;
        const bool closeNow = std::exchange(m_closeAfterStop, false);
        if (!error.isEmpty()) {
            showOutcome(failedOutcome(error));
            m_main.op().message(error);
        } else if (after) {
            after();
        }
        // The technician closed the window and agreed to stop: now it may go.
        if (closeNow)
            close();
    });
}

void TForm1::runExchange(Exchange exchange, std::function<void(const ExchangeResult &)> after) {
    auto result = std::make_shared<ExchangeResult>();
    runJob([exchange = std::move(exchange), result](SerialPort &port, const QString &device, LinkObserver &obs,
                                                    StopFlag stop) { *result = exchange(port, device, obs, stop); },
           [after = std::move(after), result] {
               if (after)
                   after(*result);
           });
}

void TForm1::runJob(Job job, std::function<void()> after) {
    if (m_worker->running())
        return;
    m_after = std::move(after);
    const QString device = selectedDevice();
    BitBtn5->setEnabled(false);
    CompareButton->setEnabled(false);
    RadioButton1->setEnabled(false);
    RadioButton2->setEnabled(false);
    // A new job starts from nothing: the last one's outcome would read as this one's.
    m_progress = m_nextPlan.value_or(JobProgress{});
    m_nextPlan.reset();
    m_stopping = false;
    ResultText->clear();
    ResultText->setToolTip(QString());
    Gauge1->setValue(0);
    m_jobClock.start();
    ExchangeLog *log = &m_main.exchangeLog();
    m_worker->start([job = std::move(job), device, log](LinkObserver &obs, const std::atomic<bool> &stop) {
        // Every byte goes into the exchange log ("Станция" / "Журнал обмена").
        PosixSerialPort real;
        // A send held up by a stalled adapter must not outlast "Прервать" by seconds.
        real.setStopFlag(&stop);
        LoggingSerialPort port(real, *log);
        job(port, device, obs, &stop);
    });
    StopButton->setEnabled(true);
    m_ticker->start();
    showPhase();
}

std::chrono::milliseconds TForm1::jobTime() const {
    return std::chrono::milliseconds(m_jobClock.isValid() ? m_jobClock.elapsed() : 0);
}

void TForm1::showPhase() {
    if (!m_worker->running()) {
        PhaseText->clear();
        return;
    }
    const std::chrono::milliseconds elapsed = jobTime();
    QString title = m_stopping ? QStringLiteral("Прерывание обмена") : QString();
    if (title.isEmpty())
        if (const std::optional<JobPhase> phase = m_progress.phase())
            title = phaseTitle(*phase);
    QString times = QStringLiteral("прошло %1").arg(minutesText(elapsed));
    if (const auto left = m_progress.remaining(elapsed); left && !m_stopping)
        times += QStringLiteral(", осталось %1").arg(minutesText(*left));
    PhaseText->setText(title + QLatin1Char('\n') + times);
}

void TForm1::showOutcome(const LinkOutcome &outcome) {
    ResultText->setText(outcome.text);
    ResultText->setToolTip(outcome.text);
    QPalette p = ResultText->palette();
    p.setColor(QPalette::WindowText, outcomeColor(outcome.ok));
    ResultText->setPalette(p);
    // A gauge left full or half-way after a failure would say more than happened.
    Gauge1->setValue(outcome.ok ? 100 : 0);
}

void TForm1::StopClick() {
    if (!m_worker->running() || m_stopping)
        return;
    m_stopping = true;
    m_worker->requestStop();
    StopButton->setEnabled(false);
    showPhase();
}

TForm1::~TForm1() {
    // An exchange still running stops at its next byte and closes its port.
    m_worker->stop();
}

bool TForm1::exchangeRunning() const {
    return m_worker->running();
}

void TForm1::setExchangeButtons(bool enabled) {
    BitBtn1->setEnabled(enabled);
    BitBtn2->setEnabled(enabled);
    BitBtn3->setEnabled(enabled);
}

void TForm1::showDevices() {
    Com1Device->setText(deviceOf(1));
    Com2Device->setText(deviceOf(2));
    Com1Device->setToolTip(Com1Device->text());
    Com2Device->setToolTip(Com2Device->text());
}

QString TForm1::deviceOf(int port) const {
    return portDevice(m_options, port, m_optionsPath, m_preferencesPath);
}

QString TForm1::selectedDevice() const {
    return deviceOf(SelectedPort == 0 ? 2 : SelectedPort);
}

void TForm1::showPortList(int port) {
    QMenu menu(this);
    const QList<SerialDevice> devices = findSerialDevices(m_devRoot, m_sysRoot);
    if (devices.isEmpty())
        menu.addAction(QStringLiteral("Последовательные порты не найдены"))->setEnabled(false);
    for (const SerialDevice &d : devices)
        menu.addAction(deviceLine(d), this, [this, port, path = d.path] { pickDevice(port, path); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("Как в T702Options.ini"), this, [this, port] { pickDevice(port, QString()); });
    QToolButton *at = port == 1 ? Com1Device : Com2Device;
    m_portMenu = &menu;
    menu.exec(at->mapToGlobal(QPoint(0, at->height())));
    m_portMenu = nullptr;
}

void TForm1::pickDevice(int port, const QString &device) {
    m_main.act([&] { savePickedDevice(m_preferencesPath, port, device); });
    showDevices();
}

void TForm1::LoadPortChoice() {
    if (SelectedPort != 0)
        return;
    m_options = readPortOptions(m_optionsPath);
    SelectedPort = static_cast<uint8_t>(m_options.Port & 0xFF);
    RadioButton2->setChecked(SelectedPort == 2);
    RadioButton1->setChecked(SelectedPort != 2);
    showDevices();
}

void TForm1::LeaveLinkWindow() {
    hide();
    m_main.showNormal();
    m_main.act([&] {
        auto &view = m_main.editor().view;
        view.panel1 = view.memo = view.grid = true;
    });
}

void TForm1::BitBtn1Click() {
    LeaveLinkWindow();
}

// Failures the technician must read; quiet stops stay quiet, as the window always had them,
// and so does a stop the technician asked for: the outcome line says it.
static void report(TFormMain &main, const ExchangeResult &r) {
    if (r.outcome == ExchangeOutcome::Failed)
        main.op().message(r.message);
}

// A write stopped part-way names the backup that puts the station back as it was.
static QString stopNote(const SafeWriteResult &r) {
    const QString hint = r.restoreHint();
    return hint.isEmpty() ? r.message : r.message + QLatin1Char('\n') + hint;
}

// The most lines of differences a message box shows; a longer list gets its own window.
constexpr int DifferencesInABox = 30;

void TForm1::showDifferences(const QString &heading, const QStringList &lines, const QString &serial) {
    if (lines.size() <= DifferencesInABox) {
        m_main.op().message((QStringList{heading} + lines).join(QLatin1Char('\n')));
        return;
    }
    if (!m_differences)
        m_differences = new DifferencesWindow(m_main.op(), this);
    m_differences->showList(heading, lines,
                            serial.isEmpty() ? QStringLiteral("отличия.txt") : QStringLiteral("отличия_%1.txt").arg(serial));
    m_differences->show();
    m_differences->raise();
    m_differences->activateWindow();
}

void TForm1::BitBtn2Click() {
    m_main.act([&] {
        if (!passGate(m_main.editor().state, tolvin::Gate::LinkWrite, m_main.op()))
            return;
        // The station gets what the window shows: an edit, a paste or a read since the last check
        // is checked again, and a table that no longer passes is not written.
        if (!recheckBeforeWrite(m_main.editor(), m_main.op()))
            return;
        const EditorState &s = m_main.editor().state;
        const StreamImage image{s.image, s.ModuleType, s.StationType};
        WriteSafeguards safeguards;
        safeguards.backup = BackupBox->isChecked();
        safeguards.backupFolder = m_backupFolder;
        safeguards.verify = VerifyBox->isChecked();
        startWrite(image, safeguards, SafeWriteResult{});
    });
}

void TForm1::startWrite(const StreamImage &image, const WriteSafeguards &safeguards, const SafeWriteResult &earlier) {
    auto result = std::make_shared<SafeWriteResult>();
    planJob(JobProgress::forWrite(image, safeguards));
    runJob([image, safeguards, result](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
               *result = writeWithSafeguards(port, device, obs, image, safeguards, stop);
           },
           [this, result, image, safeguards, earlier] {
               SafeWriteResult &r = *result;
               if (r.backupPath.isEmpty()) {
                   r.backupPath = earlier.backupPath;
                   r.backupWarning = earlier.backupWarning;
               }
               showOutcome(writeOutcome(r, jobTime()));
               QStringList done;
               if (!r.backupPath.isEmpty())
                   done << QStringLiteral("копия %1%2")
                               .arg(QFileInfo(r.backupPath).fileName(),
                                    r.backupWarning.isEmpty() ? QString() : QStringLiteral(" (не проходит «Контроль»)"));
               if (r.ok() && safeguards.verify && r.stage == WriteStage::Verify)
                   done << QStringLiteral("проверено");
               SafeguardText->setText(done.join(QStringLiteral("; ")));
               SafeguardText->setToolTip(r.backupPath);
               if (r.typeMismatch) {
                   // Nothing was sent; only an explicit yes writes a station of another band.
                   if (m_main.op().confirm(r.message)) {
                       WriteSafeguards again = safeguards;
                       again.backup = false;
                       again.checkType = false;
                       startWrite(image, again, r);
                   }
                   return;
               }
               // A station that never took the write gets a message too: the idle status
               // alone would look like a finished write.
               if (!r.differences.isEmpty())
                   showDifferences(r.message, r.differences, r.serial);
               else if (!r.ok() && !r.message.isEmpty())
                   m_main.op().message(stopNote(r));
               else if (!r.backupWarning.isEmpty())
                   m_main.op().message(QStringLiteral("Резервная копия %1: %2").arg(r.backupPath, r.backupWarning));
           });
}

void TForm1::CompareClick() {
    m_main.act([&] {
        const Editor &ed = m_main.editor();
        // The image a check would build now, without the check's flag, file and message.
        const DataCheckResult checked = checkData(ed);
        if (!checked.passed) {
            m_main.op().message(QStringLiteral("Сравнение со станцией невозможно: ") + checked.message);
            return;
        }
        const StreamImage configured{checked.image, checked.ModuleType, ed.state.StationType};
        const BandSettings band = ed.state.bandSettings;
        auto result = std::make_shared<ComparisonResult>();
        runJob([configured, band, result](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                   *result = compareWithStation(port, device, obs, configured, band, stop);
               },
               [this, result] {
                   const ComparisonResult &r = *result;
                   showOutcome(compareOutcome(r, jobTime()));
                   if (!r.ok())
                       report(m_main, r.exchange);
                   else if (r.differences.isEmpty())
                       m_main.op().message(QStringLiteral("Станция %1 совпадает с конфигурацией").arg(r.serial));
                   else
                       showDifferences((r.dataWarning.isEmpty() ? QString() : r.dataWarning + QLatin1Char('\n')) +
                                           QStringLiteral("Станция %1 отличается от конфигурации (различий: %2):")
                                               .arg(r.serial)
                                               .arg(r.differences.size()),
                                       r.differences, r.serial);
               });
    });
}

void TForm1::setPreferencesPath(const QString &path) {
    m_preferencesPath = path;
    const LinkPreferences p = readLinkPreferences(path);
    BackupBox->setChecked(p.backupBeforeWrite);
    VerifyBox->setChecked(p.verifyAfterWrite);
    showDevices();
}

void TForm1::savePreferences() {
    m_main.act([&] {
        saveLinkPreferences(m_preferencesPath, {BackupBox->isChecked(), VerifyBox->isChecked()});
    });
}

void TForm1::BackupBoxClick() {
    savePreferences();
}

void TForm1::VerifyBoxClick() {
    savePreferences();
}

void TForm1::BitBtn3Click() {
    ReadFromStation();
}

void TForm1::ReadFromStation() {
    // The table fills as the stream arrives; a read that does not end puts everything back as
    // it was, since half a station is no configuration.
    auto before = std::make_shared<Editor>();
    m_main.act([&] { *before = m_main.editor(); });
    runExchange([](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                    return readFromStation(port, device, obs, stop);
                },
                [this, before](const ExchangeResult &r) {
                    showOutcome(readOutcome(r, jobTime()));
                    if (!r.ok()) {
                        m_main.replaceEditor(*before);
                        // A stop is the technician's own; the outcome line says the table is
                        // unchanged. A failure is told in full.
                        if (r.outcome == ExchangeOutcome::Failed)
                            m_main.op().message(r.message + QStringLiteral("\nТаблица и общие установки не изменены"));
                        return;
                    }
                    m_main.recordUndo(QStringLiteral("Чтение из станции"));
                    // The table shows what came, noise or not; the technician must know which.
                    const QString warning = readDataWarning(r.stream);
                    if (!warning.isEmpty())
                        m_main.op().message(warning);
                });
}

void TForm1::BitBtn5Click() {
    QueryStationType();
}

void TForm1::QueryStationType() {
    runExchange([](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                    return queryStationType(port, device, obs, stop);
                },
                [this](const ExchangeResult &r) {
                    showOutcome(typeQueryOutcome(r));
                    if (r.outcome == ExchangeOutcome::Done) {
                        m_main.act([&] {
                            if (!selectBandByStationType(m_main.editor(), r.typeCode))
                                m_main.op().message(QStringLiteral("Тип станции определить не удалось"));
                        });
                    } else {
                        report(m_main, r);
                    }
                    // Whatever the answer, the query ends back in the main window.
                    hide();
                    m_main.showNormal();
                });
}

void TForm1::RadioButton1Click() {
    SelectedPort = 1;
}

void TForm1::RadioButton2Click() {
    SelectedPort = 2;
}

void TForm1::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        tolvin::centreOnScreen(this);
    }
}

void TForm1::closeEvent(QCloseEvent *event) {
    // The window's close button is "Выход" too; in the middle of an exchange it asks first, as
    // a write cut short leaves the station half programmed.
    if (!m_worker->running()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    // The program closing stops the exchange itself and waits for it (the destructor); a
    // question then would only hold the program up.
    if (m_programClosing)
        return;
    // "Прервать" was pressed already: the window goes once the exchange has ended.
    if (m_stopping) {
        m_closeAfterStop = true;
        return;
    }
    if (!m_main.op().confirm(QStringLiteral("Идет обмен со станцией. Прервать его?")))
        return;
    // It may have ended while the question was up.
    if (!m_worker->running()) {
        event->accept();
        QWidget::closeEvent(event);
        return;
    }
    m_closeAfterStop = true;
    StopClick();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == &m_main && event->type() == QEvent::Close)
        m_programClosing = true;
    return QWidget::eventFilter(watched, event);
}
