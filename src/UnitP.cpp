// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitP.h"

#include "common/errors.h"
#include "gui/editor_host.h"
#include "gui/window_placement.h"
#include "check/gates.h"
#include "report/protocol.h"
#include "report/report_file.h"
#include "report/report_pdf.h"
#include "journal/exchange_entries.h"
#include "journal/journal.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormProtokol::TFormProtokol(tolvin::EditorHost &host, QWidget *parent) : QWidget(parent, Qt::Window), m_host(host) {
    setObjectName(QStringLiteral("FormProtokol"));
    setWindowTitle(QStringLiteral("Создание протокола"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(337, 115);

    Label1 = new QLabel(QStringLiteral("Серийный номер протокола"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Label1->setGeometry(16, 12, 305, 20);
    Label1->setAlignment(Qt::AlignCenter);

    Edit1 = new QLineEdit(QStringLiteral("S7K61-12345"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(68, 38, 200, 22);

    auto button = [&](const QString &text, const char *name, int x) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(bold);
        QPalette navy = b->palette();
        navy.setColor(QPalette::ButtonText, Qt::darkBlue);
        b->setPalette(navy);
        b->setGeometry(x, 74, 110, 28);
        return b;
    };
    BitBtn1 = button(QStringLiteral("Создать"), "BitBtn1", 40);
    BitBtn2 = button(QStringLiteral("Выход"), "BitBtn2", 187);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    // Enter in the number is "Создать", as in a dialog: typed, then made, without the mouse.
    // Through the button, so that whatever holds the button back holds Enter back too.
    connect(Edit1, &QLineEdit::returnPressed, BitBtn1, &QPushButton::click);
    BitBtn1->setDefault(true);
    m_preview = [this](const tolvin::Document &report) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(tolvin::reportPageLayout(report));
        QPrintPreviewDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Печать протокола"));
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter *p) {
            (void)tolvin::catchFailure([&] { tolvin::paintReport(report, *p); });
        });
        dialog.exec();
    };
    tolvin::centreOnFirstShow(this);
}

void TFormProtokol::setOutput(Output output) {
    m_output = output;
    setWindowTitle(output == Output::Print ? QStringLiteral("Печать протокола")
                   : output == Output::Pdf ? QStringLiteral("Сохранение протокола в PDF")
                                           : QStringLiteral("Создание протокола"));
}

void TFormProtokol::BitBtn1Click() {
    m_host.act([&] {
        if (!passGate(m_host.editor().state, tolvin::Gate::ReportCreate, m_host.op()))
            return;
        const QString serial = Edit1->text();
        if (m_output == Output::Print) {
            m_preview(tolvin::buildReport(m_host.editor(), serial));
            return;
        }
        if (m_output == Output::Pdf) {
            tolvin::FileDialogRequest request;
            request.title = QStringLiteral("Сохранить протокол в PDF");
            request.filter = QStringLiteral("PDF (*.pdf)");
            request.defaultSuffix = QStringLiteral("pdf");
            request.proposedName = QFileInfo(tolvin::reportFileName(serial)).completeBaseName() + QStringLiteral(".pdf");
            const QString path = m_host.op().saveFileName(request);
            if (path.isEmpty())
                return;
            tolvin::writeReportPdf(m_host.editor(), serial, path);
            if (tolvin::Journal *j = m_host.journal())
                j->recordMade([&] { return std::vector<tolvin::JournalEntry>{tolvin::reportEntry(m_host.editor(), serial, path)}; });
            return;
        }
        // Every press makes a new document in a folder of its own; the technician saves or
        // prints it from the application that opens it.
        const QString path = tolvin::createReportFile(m_host.editor(), serial, QDir::tempPath());
        if (tolvin::Journal *j = m_host.journal())
            j->recordMade([&] { return std::vector<tolvin::JournalEntry>{tolvin::reportEntry(m_host.editor(), serial, path)}; });
        if (!m_host.op().openDocument(path))
            m_host.op().message(QStringLiteral("Не найдена программа, которая открыла бы протокол. "
                                               "Протокол записан в файл %1").arg(QDir::toNativeSeparators(path)));
    });
}

void TFormProtokol::BitBtn2Click() {
    tolvin::returnToHost(m_host, this);
}
