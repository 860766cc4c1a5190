// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFormProtokol: the programming report window.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
namespace tolvin {
class EditorHost;
}

class TFormProtokol : public QWidget {
    Q_OBJECT
public:
    explicit TFormProtokol(tolvin::EditorHost &host, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;       // report serial number
    QPushButton *BitBtn1 = nullptr;   // "Создать"
    QPushButton *BitBtn2 = nullptr;   // "Выход"

    void BitBtn1Click();
    void BitBtn2Click();

private:
    tolvin::EditorHost &m_host;
};
