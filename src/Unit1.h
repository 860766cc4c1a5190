// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TForm1: the station link window.
#include "gui/job_progress.h"
#include "station_link/exchanges.h"
#include "station_link/link_port.h"
#include "station_link/link_preferences.h"
#include "station_link/port_options.h"
#include "station_link/safeguards.h"

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QFileSystemWatcher;
class QLabel;
class QMenu;
class QToolButton;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QResizeEvent;
class QTimer;

namespace tolvin {
class DifferencesWindow;
class EditorHost;
class LinkWorker;
struct LinkOutcome;
}

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(tolvin::EditorHost &host, QWidget *parent = nullptr);
    ~TForm1() override;

    QLabel *StaticText1 = nullptr;        // status: "- -", "ПР", "ПП", "AK"
    QProgressBar *Gauge1 = nullptr;       // 0..100, vertical
    QPushButton *BitBtn1 = nullptr;       // "Выход"
    QPushButton *BitBtn2 = nullptr;       // "Запись данных "
    QPushButton *BitBtn3 = nullptr;       // "Чтение данных "
    QPushButton *BitBtn5 = nullptr;       // "Чтение типа р/с"
    QPushButton *UsbButton = nullptr;     // never enabled
    QRadioButton *RadioButton1 = nullptr; // " COM1"
    QRadioButton *RadioButton2 = nullptr; // " COM2"
    QToolButton *Com1Device = nullptr;    // the device behind COM1; a click lists the ports present
    QToolButton *Com2Device = nullptr;

    // Below the window's own controls: what protects a station's programming.
    QCheckBox *BackupBox = nullptr;       // "Резервная копия перед записью"
    QCheckBox *VerifyBox = nullptr;       // "Проверка после записи"
    QPushButton *CompareButton = nullptr; // "Сравнить со станцией"
    QPushButton *LineCheckButton = nullptr; // "Проверка линии"
    QLabel *SafeguardText = nullptr;      // the last backup and check

    // What an exchange needs beyond the status codes: a way to end it, and words for where it
    // is and how it ended.
    QPushButton *StopButton = nullptr;    // "Прервать", only while an exchange runs
    QLabel *PhaseText = nullptr;          // the running job: its phase, the time gone and left
    QLabel *ResultText = nullptr;         // how the last job ended, green or red

    uint8_t SelectedPort = 0;             // 1 = COM1, 2 = COM2, 0 = not chosen yet

    void BitBtn1Click();   // leave the window
    void BitBtn2Click();   // write to the station
    void BitBtn3Click();   // read from the station
    void BitBtn5Click();   // query the station type
    void ReadFromStation();
    void QueryStationType();
    void RadioButton1Click();
    void RadioButton2Click();
    void CompareClick();   // compare the station with the configuration in the editor
    void LineCheckClick(); // find out why the station does not answer, and the fix
    void BackupBoxClick();
    void VerifyBoxClick();
    // Ends the running exchange at its next byte; the job then says what it left.
    void StopClick();

    // The remembered port, read from the options file the first time the window opens in a run.
    void LoadPortChoice();
    // "Выход": back to the main window.
    void LeaveLinkWindow();

    // The device the next exchange opens.
    QString selectedDevice() const;
    QString deviceOf(int port) const;
    // The port list of COM1 or COM2 (port 1 or 2) and the choice from it, kept in tolvin.ini.
    void showPortList(int port);
    void pickDevice(int port, const QString &device);
    QMenu *portMenu() const { return m_portMenu; }
    // Where the port list looks; tests give it a made-up /dev and /sys.
    void setDeviceRoots(const QString &dev, const QString &sys);
    // Where the options file is looked for; tests point it elsewhere.
    void setOptionsPath(const QString &path) { m_optionsPath = path; }
    // The program's own settings file with the backup and check choices; reading it sets the boxes.
    void setPreferencesPath(const QString &path);
    // Where backups go; empty: the user's data folder.
    void setBackupFolder(const QString &folder) { m_backupFolder = folder; }
    tolvin::LinkWorker &worker() { return *m_worker; }
    bool exchangeRunning() const;
    // The steps the next job takes, for its gauge and phase; a job without a plan is shown as
    // its exchanges report themselves.
    void planJob(tolvin::JobProgress plan) { m_nextPlan = std::move(plan); }
    // Since the running or last job began.
    std::chrono::milliseconds jobTime() const;
    void showOutcome(const tolvin::LinkOutcome &outcome);
    // A message box when the list fits one, the differences window when it does not.
    void showDifferences(const QString &heading, const QStringList &lines, const QString &serial);
    tolvin::DifferencesWindow *differencesWindow() const { return m_differences; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Runs `exchange` on the worker with a fresh port on the selected device; `after` runs on
    // this thread once every report of the exchange has arrived.
    using Exchange = std::function<tolvin::ExchangeResult(tolvin::SerialPort &, const QString &device,
                                                          tolvin::LinkObserver &, tolvin::StopFlag)>;
    void runExchange(Exchange exchange, std::function<void(const tolvin::ExchangeResult &)> after);
    // The same for a job of several exchanges that keeps its own result.
    using Job = std::function<void(tolvin::SerialPort &, const QString &device, tolvin::LinkObserver &,
                                   tolvin::StopFlag)>;
    void runJob(Job job, std::function<void()> after);
    // The write job; `earlier` is what a first attempt left (its backup) when the technician chose
    // to write a station of another band.
    void startWrite(const tolvin::StreamImage &image, const tolvin::WriteSafeguards &safeguards,
                    const tolvin::SafeWriteResult &earlier);
    void savePreferences();
    void setExchangeButtons(bool enabled);
    // The buttons, the COM choice and the port pickers together.
    void setJobControls(bool enabled);
    void showDevices();
    // The title and the device names cut in the middle to the room they have, whole in the
    // tool-tip: the beginning and the end of a /dev/serial/by-id name are what tell two apart.
    void fitTexts();
    std::array<QString, 2> m_devices;  // the devices the COM1 and COM2 labels name
    void showPhase();

    tolvin::EditorHost &m_host;
    tolvin::LinkWorker *m_worker;
    QString m_optionsPath;
    tolvin::PortOptions m_options;
    std::function<void()> m_after;
    QString m_preferencesPath;
    QString m_devRoot = QStringLiteral("/dev");
    QString m_sysRoot = QStringLiteral("/sys");
    QMenu *m_portMenu = nullptr;
    int m_portMenuPort = 0;
    // Adapters plugged in or pulled out: the device names and an open port list follow at once.
    QFileSystemWatcher *m_devWatch = nullptr;
    void watchDevices();
    void devicesChanged();
    void fillPortMenu(QMenu &menu, int port);
    QString m_backupFolder;
    std::optional<tolvin::JobProgress> m_nextPlan;
    tolvin::JobProgress m_progress;
    QElapsedTimer m_jobClock;
    QByteArray m_writtenFile;       // the settings file of the write running or last run
    QTimer *m_ticker;
    bool m_stopping = false;
    bool m_closeAfterStop = false;
    bool m_programClosing = false;
    bool m_delayToldOnce = false;   // the slow-adapter advice, once per run
    tolvin::DifferencesWindow *m_differences = nullptr;
};
