#include "Unit1.h"

#include "UnitMain.h"
#include "check/data_check.h"
#include "check/gates.h"
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
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

using namespace tolvin;

TForm1::TForm1(TFormMain &main, QWidget *parent)
    : QWidget(parent, Qt::Window), m_main(main), m_worker(new LinkWorker(this)), m_optionsPath(optionsFilePath()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Прием и передача информации в станцию"));
    // The lower strip holds the backup, check and compare controls; everything above it stays
    // where the technician knows it.
    setFixedSize(400, 282);

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

    // What an exchange reports on its thread lands here, in order.
    connect(m_worker, &LinkWorker::status, StaticText1, &QLabel::setText);
    connect(m_worker, &LinkWorker::gauge, Gauge1, &QProgressBar::setValue);
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
        auto after = std::move(m_after);
        m_after = nullptr;
        if (!error.isEmpty()) {
            m_main.op().message(error);
            return;
        }
        if (after)
            after();
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
    ExchangeLog *log = &m_main.exchangeLog();
    m_worker->start([job = std::move(job), device, log](LinkObserver &obs, const std::atomic<bool> &stop) {
        // Every byte goes into the exchange log ("Станция" / "Журнал обмена").
        PosixSerialPort real;
        LoggingSerialPort port(real, *log);
        job(port, device, obs, &stop);
    });
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

// Failures the technician must read; quiet stops stay quiet, as the window always had them.
static void report(TFormMain &main, const ExchangeResult &r) {
    if (r.outcome == ExchangeOutcome::Failed || r.outcome == ExchangeOutcome::Stopped)
        main.op().message(r.message);
}

// A write stopped part-way names the backup that puts the station back as it was.
static QString stopNote(const SafeWriteResult &r) {
    if (r.stage == WriteStage::Write && r.exchange.byteNumber > 0 && !r.backupPath.isEmpty())
        return r.message + QStringLiteral("\nПрежние данные станции можно записать из резервной копии %1").arg(r.backupPath);
    return r.message;
}

// A list of differences for a message box: the heading, then at most a screenful of lines.
static QString differencesText(const QString &heading, const QStringList &lines) {
    constexpr int Shown = 30;
    QStringList text{heading};
    text << lines.mid(0, Shown);
    if (lines.size() > Shown)
        text << QStringLiteral("... и еще %1").arg(lines.size() - Shown);
    return text.join(QLatin1Char('\n'));
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
    runJob([image, safeguards, result](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
               *result = writeWithSafeguards(port, device, obs, image, safeguards, stop);
           },
           [this, result, image, safeguards, earlier] {
               SafeWriteResult &r = *result;
               if (r.backupPath.isEmpty()) {
                   r.backupPath = earlier.backupPath;
                   r.backupWarning = earlier.backupWarning;
               }
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
                   m_main.op().message(differencesText(r.message, r.differences));
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
                   if (!r.ok())
                       report(m_main, r.exchange);
                   else if (r.differences.isEmpty())
                       m_main.op().message(QStringLiteral("Станция %1 совпадает с конфигурацией").arg(r.serial));
                   else
                       m_main.op().message(differencesText(
                           (r.dataWarning.isEmpty() ? QString() : r.dataWarning + QLatin1Char('\n')) +
                               QStringLiteral("Станция %1 отличается от конфигурации (различий: %2):")
                                   .arg(r.serial)
                                   .arg(r.differences.size()),
                           r.differences));
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
                    if (!r.ok()) {
                        m_main.replaceEditor(*before);
                        if (r.outcome == ExchangeOutcome::Stopped)
                            m_main.op().message(QStringLiteral("Чтение прервано: таблица не изменена"));
                        else
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
    // The window's close button is "Выход" too, but never in the middle of an exchange.
    if (m_worker->running()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
