// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFormProtokol: the programming report window.
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
namespace tolvin {
class Document;
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

    // What "Создать" makes: the document for an office program, a printout through the system's
    // print preview, or a PDF file. The menu item that opened the window says which.
    enum class Output { Document, Print, Pdf };
    void setOutput(Output output);
    Output output() const { return m_output; }
    // Shows the report in the print preview, from where the technician prints it; a test puts
    // in its own.
    using PrintPreview = std::function<void(const tolvin::Document &report)>;
    void setPrintPreview(PrintPreview preview) { m_preview = std::move(preview); }

private:
    tolvin::EditorHost &m_host;
    Output m_output = Output::Document;
    PrintPreview m_preview;
};
