#include "Unit1.h"

#include "UnitMain.h"
#include "check/gates.h"
#include "gui/link_worker.h"
#include "gui/window_placement.h"
#include "station_link/posix_serial_port.h"
#include "station_link/read_into_editor.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

using namespace tolvin;

TForm1::TForm1(TFormMain &main, QWidget *parent)
    : QWidget(parent, Qt::Window), m_main(main), m_worker(new LinkWorker(this)), m_optionsPath(optionsFilePath()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Прием и передача информации в станцию"));
    setFixedSize(400, 190);

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
        auto *l = new QLabel(this);
        l->setGeometry(232, y, 110, 22);
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 0.9);
        l->setFont(f);
        l->setForegroundRole(QPalette::PlaceholderText);
        return l;
    };
    Com1Device = deviceLabel(14);
    Com2Device = deviceLabel(40);
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

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });

    // What an exchange reports on its thread lands here, in order.
    connect(m_worker, &LinkWorker::status, StaticText1, &QLabel::setText);
    connect(m_worker, &LinkWorker::gauge, Gauge1, &QProgressBar::setValue);
    connect(m_worker, &LinkWorker::buttonsEnabled, this, [this](bool on) { setExchangeButtons(on); });
    connect(m_worker, &LinkWorker::readProgress, this, [this](int phase, const QByteArray &stream) {
        m_main.act([&] { applyReadPhase(m_main.editor(), static_cast<ReadPhase>(phase), stream); });
    });
    connect(m_worker, &LinkWorker::finished, this, [this](const QString &error) {
        BitBtn5->setEnabled(true);
        RadioButton1->setEnabled(true);
        RadioButton2->setEnabled(true);
        setExchangeButtons(true);
        auto after = std::move(m_after);
        m_after = nullptr;
        if (!error.isEmpty()) {
            m_main.op().message(error);
            return;
        }
        if (after && m_result)
            after(*m_result);
    });
}

void TForm1::runExchange(Exchange exchange, std::function<void(const ExchangeResult &)> after) {
    if (m_worker->running())
        return;
    auto result = std::make_shared<ExchangeResult>();
    m_result = result;
    m_after = std::move(after);
    const QString device = selectedDevice();
    BitBtn5->setEnabled(false);
    RadioButton1->setEnabled(false);
    RadioButton2->setEnabled(false);
    m_worker->start([exchange = std::move(exchange), result, device](LinkObserver &obs, const std::atomic<bool> &stop) {
        PosixSerialPort port;
        *result = exchange(port, device, obs, &stop);
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
    Com1Device->setText(devicePath(m_options, 1));
    Com2Device->setText(devicePath(m_options, 2));
    Com1Device->setToolTip(Com1Device->text());
    Com2Device->setToolTip(Com2Device->text());
}

QString TForm1::selectedDevice() const {
    return devicePath(m_options, SelectedPort == 0 ? 2 : SelectedPort, m_optionsPath);
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

void TForm1::BitBtn2Click() {
    m_main.act([&] {
        if (!passGate(m_main.editor().state, tolvin::Gate::LinkWrite, m_main.op()))
            return;
        // The write sends the image of the last check, never the grid as it is now.
        const EditorState &s = m_main.editor().state;
        const StreamImage image{s.image, s.ModuleType, s.StationType};
        runExchange([image](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                        return writeToStation(port, device, obs, image, stop);
                    },
                    [this](const ExchangeResult &r) { report(m_main, r); });
    });
}

void TForm1::BitBtn3Click() {
    ReadFromStation();
}

void TForm1::ReadFromStation() {
    runExchange([](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                    return readFromStation(port, device, obs, stop);
                },
                [this](const ExchangeResult &r) { report(m_main, r); });
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
