#pragma once
// TForm1: the station link window.
#include "station_link/exchanges.h"
#include "station_link/port_options.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TFormMain;

namespace tolvin {
class LinkWorker;
}

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(TFormMain &main, QWidget *parent = nullptr);
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
    QLabel *Com1Device = nullptr;         // the device behind COM1
    QLabel *Com2Device = nullptr;

    uint8_t SelectedPort = 0;             // 1 = COM1, 2 = COM2, 0 = not chosen yet

    void BitBtn1Click();   // leave the window
    void BitBtn2Click();   // write to the station
    void BitBtn3Click();   // read from the station
    void BitBtn5Click();   // query the station type
    void ReadFromStation();
    void QueryStationType();
    void RadioButton1Click();
    void RadioButton2Click();

    // The remembered port, read from the options file the first time the window opens in a run.
    void LoadPortChoice();
    // "Выход": back to the main window.
    void LeaveLinkWindow();

    // The device the next exchange opens.
    QString selectedDevice() const;
    // Where the options file is looked for; tests point it elsewhere.
    void setOptionsPath(const QString &path) { m_optionsPath = path; }
    const tolvin::PortOptions &portOptions() const { return m_options; }
    tolvin::LinkWorker &worker() { return *m_worker; }
    bool exchangeRunning() const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Runs `exchange` on the worker with a fresh port on the selected device; `after` runs on
    // this thread once every report of the exchange has arrived.
    using Exchange = std::function<tolvin::ExchangeResult(tolvin::SerialPort &, const QString &device,
                                                          tolvin::LinkObserver &, tolvin::StopFlag)>;
    void runExchange(Exchange exchange, std::function<void(const tolvin::ExchangeResult &)> after);
    void setExchangeButtons(bool enabled);
    void showDevices();

    TFormMain &m_main;
    tolvin::LinkWorker *m_worker;
    QString m_optionsPath;
    tolvin::PortOptions m_options;
    bool m_centred = false;
    std::shared_ptr<tolvin::ExchangeResult> m_result;
    std::function<void(const tolvin::ExchangeResult &)> m_after;
};
