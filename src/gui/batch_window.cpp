// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/batch_window.h"

#include "common/errors.h"
#include "journal/journal.h"
#include "settings_file/settings_file.h"
#include "station_link/configuration_compare.h"
#include "station_link/port_finder.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvin {

namespace {

QString outcomeText(const ConveyorStation &s) {
    switch (s.end) {
    case ConveyorStation::End::Written: return QStringLiteral("записана");
    case ConveyorStation::End::WrongBand: return QStringLiteral("отказ: другой диапазон");
    case ConveyorStation::End::PassedOver: return QStringLiteral("пропущена: ") + s.write.message;
    case ConveyorStation::End::Stopped:
    case ConveyorStation::End::Failed: break;
    }
    QString text = s.write.message.simplified();
    if (const QString hint = s.write.restoreHint(); !hint.isEmpty())
        text += QStringLiteral(". ") + hint;
    return text.isEmpty() ? QStringLiteral("ошибка") : text;
}

QPushButton *browse(QWidget *parent, Operator &op, QLineEdit *edit, const QString &filter) {
    auto *b = new QPushButton(QStringLiteral("Обзор…"), parent);
    QObject::connect(b, &QPushButton::clicked, parent, [&op, edit, filter] {
        FileDialogRequest request;
        request.filter = filter;
        const QFileInfo now(edit->text());
        if (!edit->text().isEmpty()) {
            request.initialFolder = now.absolutePath();
            request.proposedName = now.fileName();
        }
        const QString path = op.openFileName(request);
        if (!path.isEmpty())
            edit->setText(path);
    });
    return b;
}

} // namespace

BatchWindow::BatchWindow(Operator &op, Journal *journal, QString ledgerPath, QWidget *parent)
    : QWidget(parent, Qt::Window), m_op(op), m_journal(journal), m_ledgerPath(std::move(ledgerPath)),
      m_ports(devicePorts()) {
    setObjectName(QStringLiteral("BatchWindow"));
    setWindowTitle(QStringLiteral("Серия станций"));
    resize(720, 560);
    auto *form = new QFormLayout;

    fileEdit = new QLineEdit(this);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileEdit);
    fileRow->addWidget(browse(this, m_op, fileEdit, QStringLiteral("Файлы настроек (*.ini);;Все файлы (*)")));
    auto *fileLabel = new QLabel(QStringLiteral("&Файл настроек:"), this);
    fileLabel->setBuddy(fileEdit);
    form->addRow(fileLabel, fileRow);

    byStart = new QRadioButton(QStringLiteral("Id на&чиная с"), this);
    byStart->setChecked(true);
    startEdit = new QLineEdit(QStringLiteral("0001"), this);
    startEdit->setMaxLength(4);
    startEdit->setFixedWidth(60);
    stepBox = new QSpinBox(this);
    stepBox->setRange(1, 0xFFFF);
    auto *planRow = new QHBoxLayout;
    planRow->addWidget(byStart);
    planRow->addWidget(startEdit);
    planRow->addWidget(new QLabel(QStringLiteral("шаг"), this));
    planRow->addWidget(stepBox);
    planRow->addStretch();
    form->addRow(QStringLiteral("План Id:"), planRow);
    byList = new QRadioButton(QStringLiteral("по &списку «серийный_номер;Id»"), this);
    listEdit = new QLineEdit(this);
    auto *listRow = new QHBoxLayout;
    listRow->addWidget(byList);
    listRow->addWidget(listEdit);
    listRow->addWidget(browse(this, m_op, listEdit, QStringLiteral("CSV (*.csv);;Все файлы (*)")));
    form->addRow(QString(), listRow);

    portList = new QListWidget(this);
    portList->setMaximumHeight(90);
    form->addRow(QStringLiteral("&Порты:"), portList);
    backupBox = new QCheckBox(QStringLiteral("&Резервная копия перед записью"), this);
    backupBox->setChecked(true);
    verifyBox = new QCheckBox(QStringLiteral("Про&верка после записи"), this);
    verifyBox->setChecked(true);
    auto *guards = new QHBoxLayout;
    guards->addWidget(backupBox);
    guards->addWidget(verifyBox);
    guards->addStretch();
    form->addRow(QStringLiteral("Защита:"), guards);
    nameEdit = new QLineEdit(this);
    form->addRow(QStringLiteral("&Имя серии:"), nameEdit);
    countBox = new QSpinBox(this);
    countBox->setRange(0, 9999);
    countBox->setSpecialValueText(QStringLiteral("без ограничения"));
    form->addRow(QStringLiteral("&Количество станций:"), countBox);

    startButton = new QPushButton(QStringLiteral("&Начать"), this);
    stopButton = new QPushButton(QStringLiteral("П&рервать"), this);
    stopButton->setEnabled(false);
    auto *closeButton = new QPushButton(QStringLiteral("&Закрыть"), this);
    connect(startButton, &QPushButton::clicked, this, [this] { start(); });
    connect(stopButton, &QPushButton::clicked, this, [this] { stop(); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(startButton);
    buttons->addWidget(stopButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    status = new QLabel(QStringLiteral("Выберите файл, план Id и порты и нажмите «Начать»"), this);
    status->setAutoFillBackground(true);
    status->setMargin(6);
    pace = new QLabel(this);
    stations = new QTableWidget(0, 5, this);
    stations->setHorizontalHeaderLabels({QStringLiteral("Порт"), QStringLiteral("Серийный номер"), QStringLiteral("Id"),
                                         QStringLiteral("Результат"), QStringLiteral("Время")});
    stations->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    stations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stations->verticalHeader()->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(status);
    layout->addWidget(pace);
    layout->addWidget(stations, 1);
    connect(fileEdit, &QLineEdit::textChanged, this, [this](const QString &path) {
        if (!running())
            nameEdit->setText(QFileInfo(path).completeBaseName());
    });
    listPorts();
}

BatchWindow::~BatchWindow() {
    m_stop = true;
    // A conveyor may be waiting for the technician's answer on this thread: answered (as
    // skip, the window being gone) by letting the events run until every conveyor has ended.
    while (m_thread.joinable() && !m_ended)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (m_thread.joinable())
        m_thread.join();
}

void BatchWindow::offer(const QString &settingsFile) {
    if (!running() && !settingsFile.isEmpty())
        fileEdit->setText(settingsFile);
}

void BatchWindow::listPorts(const QStringList &extraDevices) {
    if (running())
        return;
    portList->clear();
    QStringList devices = extraDevices;
    for (const SerialDevice &d : findSerialDevices())
        if (!devices.contains(d.path))
            devices << d.path;
    for (const QString &device : devices) {
        auto *item = new QListWidgetItem(device, portList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void BatchWindow::start() {
    if (running())
        return;
    const std::optional<Failure> failed = catchFailure([&] {
        IdPlan plan;
        QString why;
        if (byList->isChecked()) {
            plan.listFile = listEdit->text();
            if (plan.listFile.isEmpty())
                throw AppError(QStringLiteral("Укажите файл списка «серийный_номер;Id»"));
            if (!readIdList(plan, why))
                throw AppError(why);
        } else {
            plan.start = startEdit->text().toUpper();
            plan.step = stepBox->value();
            if (!idValue(plan.start))
                throw AppError(badIdMessage(startEdit->text()));
        }
        QStringList devices;
        for (int i = 0; i < portList->count(); ++i)
            if (portList->item(i)->checkState() == Qt::Checked)
                devices << portList->item(i)->text();
        if (devices.isEmpty())
            throw AppError(QStringLiteral("Отметьте хотя бы один порт"));
        if (nameEdit->text().trimmed().isEmpty())
            throw AppError(QStringLiteral("У серии должно быть имя"));
        Editor ed;
        loadSettingsFile(ed, fileEdit->text());
        const std::optional<StreamImage> base = checkedImage(ed, why);
        if (!base)
            throw AppError(why + QStringLiteral("\nНичего не передано"));
        auto series = std::make_unique<Series>(ed, plan, nameEdit->text().trimmed(), m_ledgerPath);
        if (const QString shortfall = series->shortfall(countBox->value()); !shortfall.isEmpty())
            throw AppError(shortfall);
        series->begin();
        m_series = std::move(series);

        ConveyorSettings settings;
        settings.stations = countBox->value();
        settings.safeguards.backup = backupBox->isChecked();
        settings.safeguards.verify = verifyBox->isChecked();
        ConveyorHooks hooks;
        hooks.imageFor = [this](const QString &, const QString &serial, QString &id, QString &reason) {
            return m_series->imageFor(serial, id, reason, [this](const QString &s, const QString &given) {
                bool again = false;
                QMetaObject::invokeMethod(
                    this,
                    [&] {
                        again = m_op.askThreeWay(QStringLiteral("Станция %1 уже получила Id %2 в серии «%3».")
                                                     .arg(s, given, m_series->name()),
                                                 QStringLiteral("Записать тот же Id"), QStringLiteral("Пропустить")) ==
                                ThreeWayAnswer::First;
                    },
                    Qt::BlockingQueuedConnection);
                return again;
            });
        };
        hooks.done = [this](const ConveyorStation &s) {
            if (m_journal && !(s.end == ConveyorStation::End::PassedOver && s.id.isEmpty() &&
                               s.write.message == seriesCompleteText()))
                m_journal->recordMade([&] { return m_series->finished(s); });
            QMetaObject::invokeMethod(this, [this, s] { stationEnded(s); }, Qt::QueuedConnection);
        };
        hooks.said = [this](const QString &device, const QString &text) {
            QMetaObject::invokeMethod(this, [this, device, text] { status->setText(device + QStringLiteral(": ") + text); },
                                      Qt::QueuedConnection);
        };
        m_stop = false;
        m_ended = false;
        m_startedMs = QDateTime::currentMSecsSinceEpoch();
        m_written = 0;
        stations->setRowCount(0);
        startButton->setEnabled(false);
        stopButton->setEnabled(true);
        status->setText(QStringLiteral("Серия «%1» (%2): готово станций %3").arg(m_series->name(), plan.text()).arg(m_series->stationsDone()));
        if (m_thread.joinable())
            m_thread.join();
        m_thread = std::jthread([this, devices, base = *base, settings, hooks] {
            runConveyors(devices, base, settings, hooks, &m_stop, m_ports);
            m_ended = true;
            QMetaObject::invokeMethod(this, [this] { finishRun(); }, Qt::QueuedConnection);
        });
    });
    if (failed)
        m_op.message(failed->message);
}

void BatchWindow::stop() {
    m_stop = true;
    status->setText(QStringLiteral("Серия прерывается…"));
}

void BatchWindow::finishRun() {
    startButton->setEnabled(true);
    stopButton->setEnabled(false);
    status->setText(m_stop ? QStringLiteral("Серия прервана: записано станций %1").arg(m_written)
                           : QStringLiteral("Серия закончена: записано станций %1").arg(m_written));
}

void BatchWindow::stationEnded(const ConveyorStation &s) {
    if (s.end == ConveyorStation::End::PassedOver && s.id.isEmpty() && s.write.message == seriesCompleteText())
        return;
    const int row = stations->rowCount();
    stations->insertRow(row);
    const QStringList cells{s.device, s.serial.isEmpty() ? QStringLiteral("-") : s.serial,
                            s.id.isEmpty() ? QStringLiteral("-") : s.id, outcomeText(s),
                            s.finished.toString(QStringLiteral("HH:mm:ss"))};
    for (int c = 0; c < cells.size(); ++c) {
        auto *item = new QTableWidgetItem(cells[c]);
        item->setToolTip(cells[c]);
        stations->setItem(row, c, item);
    }
    stations->scrollToBottom();
    const bool good = s.end == ConveyorStation::End::Written;
    if (good) {
        ++m_written;
        status->setText(QStringLiteral("Готово: станция %1, Id %2 — отключите станцию").arg(s.serial, s.id));
    } else if (s.end != ConveyorStation::End::PassedOver) {
        status->setText(QStringLiteral("Станция %1: %2").arg(s.serial.isEmpty() ? s.device : s.serial, outcomeText(s)));
    }
    flash(good || s.end == ConveyorStation::End::PassedOver);
    showPace();
}

void BatchWindow::showPace() {
    const double hours = (QDateTime::currentMSecsSinceEpoch() - m_startedMs) / 3600000.0;
    const QString perHour = hours > 0 ? QString::number(m_written / hours, 'f', 0) : QStringLiteral("-");
    pace->setText(QStringLiteral("Записано станций: %1, в час: %2").arg(m_written).arg(perHour));
}

// Heard across the bench and seen from the side: the technician's hands are on the next station.
void BatchWindow::flash(bool good) {
    good ? m_op.beep() : m_op.errorBeep();
    QPalette p = status->palette();
    p.setColor(QPalette::Window, good ? QColor(120, 220, 120) : QColor(240, 110, 110));
    status->setPalette(p);
    QTimer::singleShot(1500, status, [this] { status->setPalette(palette()); });
}

void BatchWindow::closeEvent(QCloseEvent *event) {
    if (running()) {
        if (!m_op.confirm(QStringLiteral("Серия еще идет. Прервать ее и закрыть окно?"))) {
            event->ignore();
            return;
        }
        m_stop = true;
    }
    QWidget::closeEvent(event);
}

} // namespace tolvin
