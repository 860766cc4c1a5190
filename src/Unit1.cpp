#include "Unit1.h"

#include "UnitMain.h"
#include "gui/window_placement.h"
#include "check/gates.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

TForm1::TForm1(TFormMain &main, QWidget *parent) : QWidget(parent, Qt::Window), m_main(main) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Прием и передача информации в станцию"));
    setFixedSize(330, 190);

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

    RadioButton1 = new QRadioButton(QStringLiteral(" COM1"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setToolTip(QStringLiteral("Верхний разъем"));
    RadioButton1->setGeometry(160, 14, 80, 22);
    RadioButton2 = new QRadioButton(QStringLiteral(" COM2"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setToolTip(QStringLiteral("Нижний разъем"));
    RadioButton2->setGeometry(160, 40, 80, 22);
    RadioButton2->setChecked(true);

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
    Gauge1->setGeometry(280, 12, 30, 166);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
}

void TForm1::BitBtn1Click() {
    hide();
    m_main.showNormal();
    m_main.act([&] {
        auto &view = m_main.editor().view;
        view.panel1 = view.memo = view.grid = true;
    });
}

void TForm1::BitBtn2Click() {
    m_main.act([&] {
        if (!passGate(m_main.editor().state, tolvin::Gate::LinkWrite, m_main.op()))
            return;
        // Writing to the station arrives with the station link.
    });
}

void TForm1::BitBtn3Click() {
    // Reading from the station arrives with the station link.
}

void TForm1::BitBtn5Click() {
    // The station type query arrives with the station link.
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
