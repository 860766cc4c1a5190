#pragma once
// TForm1: the station link window.
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TFormMain;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(TFormMain &main, QWidget *parent = nullptr);

    QLabel *StaticText1 = nullptr;        // status: "- -", "ПР", "ПП", "AK"
    QProgressBar *Gauge1 = nullptr;       // 0..100, vertical
    QPushButton *BitBtn1 = nullptr;       // "Выход"
    QPushButton *BitBtn2 = nullptr;       // "Запись данных "
    QPushButton *BitBtn3 = nullptr;       // "Чтение данных "
    QPushButton *BitBtn5 = nullptr;       // "Чтение типа р/с"
    QPushButton *UsbButton = nullptr;     // never enabled
    QRadioButton *RadioButton1 = nullptr; // " COM1"
    QRadioButton *RadioButton2 = nullptr; // " COM2"

    uint8_t SelectedPort = 0;             // 1 = COM1, 2 = COM2, 0 = not chosen yet

    void BitBtn1Click();   // leave the window
    void BitBtn2Click();   // write to the station
    void BitBtn3Click();   // read from the station
    void BitBtn5Click();   // query the station type
    void RadioButton1Click();
    void RadioButton2Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    TFormMain &m_main;
    bool m_centred = false;
};
