// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Серия станций…": one configuration into a series of stations, each with its own Id, through
// one port or several. The technician plugs a station in, hears and sees it done, unplugs it and
// plugs in the next; the window keeps the list and the pace. The conveyors run on a thread of
// their own; the window only shows what they report.
#include "common/operator.h"
#include "journal/batch_series.h"

#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace tolvin {

class Journal;

class BatchWindow : public QWidget {
    Q_OBJECT
public:
    // `journal`: where the stations' entries go (null: nowhere); `ledgerPath`: the bench's journal
    // database, where the series is kept.
    BatchWindow(Operator &op, Journal *journal, QString ledgerPath, QWidget *parent = nullptr);
    ~BatchWindow() override;

    QLineEdit *fileEdit = nullptr;
    QRadioButton *byStart = nullptr;
    QLineEdit *startEdit = nullptr;
    QSpinBox *stepBox = nullptr;
    QRadioButton *byList = nullptr;
    QLineEdit *listEdit = nullptr;
    QListWidget *portList = nullptr;
    QCheckBox *backupBox = nullptr;
    QCheckBox *verifyBox = nullptr;
    QLineEdit *nameEdit = nullptr;
    QSpinBox *countBox = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *stopButton = nullptr;
    QLabel *status = nullptr;
    QLabel *pace = nullptr;
    QTableWidget *stations = nullptr;

    // The settings file offered; ports are listed afresh each time the window opens.
    void offer(const QString &settingsFile);
    void listPorts(const QStringList &extraDevices = {});
    // "Начать": refuses, with the reason, what cannot make a series; else the conveyors run.
    void start();
    // "Прервать": the station in progress ends as a write ends when stopped.
    void stop();
    bool running() const { return m_thread.joinable() && !m_ended; }
    // The ports of a test, instead of the devices' serial ports.
    void setPortFactory(PortFactory ports) { m_ports = std::move(ports); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void stationEnded(const ConveyorStation &s);
    void showPace();
    void flash(bool good);
    void finishRun();

    Operator &m_op;
    Journal *m_journal;
    QString m_ledgerPath;
    PortFactory m_ports;
    std::unique_ptr<Series> m_series;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{true};
    std::jthread m_thread;
    qint64 m_startedMs = 0;
    int m_written = 0;
};

} // namespace tolvin
