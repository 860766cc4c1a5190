#pragma once
// TFormProtokol: the programming report window.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class TFormMain;

class TFormProtokol : public QWidget {
    Q_OBJECT
public:
    explicit TFormProtokol(TFormMain &main, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;       // report serial number
    QPushButton *BitBtn1 = nullptr;   // "Создать"
    QPushButton *BitBtn2 = nullptr;   // "Выход"

    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    TFormMain &m_main;
    bool m_centred = false;
};
