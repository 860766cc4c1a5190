// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit1.h"

#include "gui/editor_host.h"
#include "gui/link_outcome.h"
#include "gui/link_worker.h"
#include "gui/window_placement.h"
#include "station_link/port_finder.h"
#include "station_link/read_into_editor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <utility>

using namespace tolvin;

namespace {

// The room a window manager's title bar keeps for its icon and buttons, in lines of its font.
constexpr int TitleBarButtonLines = 6;

// The width a tool button leaves for its text: its own less the frame its style draws around it.
int textRoom(const QToolButton *b) {
    QStyleOptionToolButton opt;
    opt.initFrom(b);
    opt.toolButtonStyle = Qt::ToolButtonTextOnly;
    return b->width() - b->style()->sizeFromContents(QStyle::CT_ToolButton, &opt, QSize(0, 0), b).width();
}

} // namespace

TForm1::TForm1(EditorHost &host, QWidget *parent)
    : QWidget(parent, Qt::Window), m_host(host), m_worker(new LinkWorker(this)), m_optionsPath(optionsFilePath()),
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
    watchDevices();

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
    LineCheckButton = new QPushButton(QStringLiteral("Проверка линии"), this);
    LineCheckButton->setObjectName(QStringLiteral("LineCheckButton"));
    LineCheckButton->setToolTip(QStringLiteral("Выяснить, почему станция не отвечает: порт, права, другие программы, "
                                               "ответы станции"));
    LineCheckButton->setGeometry(238, 226, 150, 24);
    connect(LineCheckButton, &QPushButton::clicked, this, [this] { LineCheckClick(); });
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
    m_host.hostWindow()->installEventFilter(this);
    centreOnFirstShow(this);

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
        m_host.applyStationRead([&] { applyReadPhase(m_host.editor(), static_cast<ReadPhase>(phase), stream); });
    });
    connect(m_worker, &LinkWorker::finished, this, [this](const QString &error) {
        setJobControls(true);
        StopButton->setEnabled(false);
        m_ticker->stop();
        showPhase();
        auto after = std::move(m_after);
        m_after = nullptr;
        const bool closeNow = std::exchange(m_closeAfterStop, false);
        if (!error.isEmpty()) {
            showOutcome(failedOutcome(error));
            m_host.op().message(error);
        } else if (after) {
            after();
        }
        // The technician closed the window and agreed to stop: now it may go.
        if (closeNow)
            close();
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

void TForm1::setJobControls(bool enabled) {
    setExchangeButtons(enabled);
    BitBtn5->setEnabled(enabled);
    CompareButton->setEnabled(enabled);
    LineCheckButton->setEnabled(enabled);
    RadioButton1->setEnabled(enabled);
    RadioButton2->setEnabled(enabled);
    Com1Device->setEnabled(enabled);
    Com2Device->setEnabled(enabled);
}

void TForm1::showDevices() {
    for (int port : {1, 2}) {
        QToolButton *label = port == 1 ? Com1Device : Com2Device;
        const QString device = deviceOf(port);
        // Said before the technician presses a button, not after the port refuses to open; in
        // red as well, as a long name leaves no room for the words.
        const bool missing = !device.isEmpty() && !QFileInfo::exists(device);
        m_devices[size_t(port - 1)] = device;
        label->setToolTip(missing ? device + QStringLiteral(" (нет устройства)") : device);
        QPalette red = palette();
        red.setColor(QPalette::ButtonText, Qt::red);
        label->setPalette(missing ? red : QPalette());
    }
    fitTexts();
}

void TForm1::fitTexts() {
    // The title bar is the window manager's and would cut the title at its end: the window it
    // draws is given the title cut to the bar's room, while windowTitle() stays whole for the
    // rest of the program. A title bar has no tool-tip; the window's shows where no control has one.
    if (QWindow *window = windowHandle()) {
        const QFontMetrics bar(QFontDatabase::systemFont(QFontDatabase::TitleFont));
        const QString whole = windowTitle();
        window->setTitle(bar.elidedText(whole, Qt::ElideMiddle, std::max(0, width() - TitleBarButtonLines * bar.height())));
        setToolTip(window->title() == whole ? QString() : whole);
    }
    // A name too long keeps its beginning and its end (a by-id name's adapter and port), not
    // the words after it.
    for (int port : {1, 2}) {
        QToolButton *label = port == 1 ? Com1Device : Com2Device;
        const QFontMetrics metrics = label->fontMetrics();
        const int room = std::max(0, textRoom(label));
        const QString whole = label->toolTip();
        label->setText(metrics.horizontalAdvance(whole) <= room
                           ? whole
                           : metrics.elidedText(m_devices[size_t(port - 1)], Qt::ElideMiddle, room));
    }
}

void TForm1::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    fitTexts();
}

void TForm1::setDeviceRoots(const QString &dev, const QString &sys) {
    m_devRoot = dev;
    m_sysRoot = sys;
    watchDevices();
    showDevices();
}

void TForm1::watchDevices() {
    if (!m_devWatch) {
        m_devWatch = new QFileSystemWatcher(this);
        connect(m_devWatch, &QFileSystemWatcher::directoryChanged, this, [this] { devicesChanged(); });
    }
    if (!m_devWatch->directories().isEmpty())
        m_devWatch->removePaths(m_devWatch->directories());
    // /dev/serial/by-id appears with the first adapter; /dev itself says when.
    for (const QString &dir : {m_devRoot, m_devRoot + QStringLiteral("/serial"), m_devRoot + QStringLiteral("/serial/by-id")})
        if (QFileInfo(dir).isDir())
            m_devWatch->addPath(dir);
}

void TForm1::devicesChanged() {
    watchDevices();
    showDevices();
    if (m_portMenu)
        fillPortMenu(*m_portMenu, m_portMenuPort);
}

QString TForm1::deviceOf(int port) const {
    return portDevice(m_options, port, m_optionsPath, m_preferencesPath);
}

QString TForm1::selectedDevice() const {
    return deviceOf(SelectedPort == 0 ? 2 : SelectedPort);
}

void TForm1::showPortList(int port) {
    QMenu menu(this);
    fillPortMenu(menu, port);
    QToolButton *at = port == 1 ? Com1Device : Com2Device;
    m_portMenu = &menu;
    m_portMenuPort = port;
    menu.exec(at->mapToGlobal(QPoint(0, at->height())));
    m_portMenu = nullptr;
}

void TForm1::fillPortMenu(QMenu &menu, int port) {
    menu.clear();
    const QList<SerialDevice> devices = findSerialDevices(m_devRoot, m_sysRoot);
    if (devices.isEmpty())
        menu.addAction(QStringLiteral("Последовательные порты не найдены"))->setEnabled(false);
    // A slow adapter's line says its delay; hovering it says how to cure it.
    menu.setToolTipsVisible(true);
    for (const SerialDevice &d : devices) {
        QAction *item = menu.addAction(deviceLine(d), this, [this, port, path = d.path] { pickDevice(port, path); });
        item->setToolTip(latencyAdvice(d));
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("Как в T702Options.ini"), this, [this, port] { pickDevice(port, QString()); });
}

void TForm1::pickDevice(int port, const QString &device) {
    // A menu left open from before the job started must not change the port under it.
    if (m_worker->running())
        return;
    m_host.act([&] { savePickedDevice(m_preferencesPath, port, device); });
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
    returnToHost(m_host, this);
    m_host.act([&] {
        auto &view = m_host.editor().view;
        view.panel1 = view.memo = view.grid = true;
    });
}

void TForm1::BitBtn1Click() {
    LeaveLinkWindow();
}

void TForm1::setPreferencesPath(const QString &path) {
    m_preferencesPath = path;
    const LinkPreferences p = readLinkPreferences(path);
    BackupBox->setChecked(p.backupBeforeWrite);
    VerifyBox->setChecked(p.verifyAfterWrite);
    showDevices();
}

void TForm1::savePreferences() {
    m_host.act([&] {
        saveLinkPreferences(m_preferencesPath, {BackupBox->isChecked(), VerifyBox->isChecked()});
    });
}

void TForm1::BackupBoxClick() {
    savePreferences();
}

void TForm1::VerifyBoxClick() {
    savePreferences();
}

void TForm1::RadioButton1Click() {
    SelectedPort = 1;
}

void TForm1::RadioButton2Click() {
    SelectedPort = 2;
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
    if (!m_host.op().confirm(QStringLiteral("Идет обмен со станцией. Прервать его?")))
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
    if (watched == m_host.hostWindow() && event->type() == QEvent::Close)
        m_programClosing = true;
    return QWidget::eventFilter(watched, event);
}
