// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main_window_fixture.h"
#include "report/docx_view.h"
#include "report/protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::MainWindowTest;

namespace {

// Reports go to the temporary folder; each test gets one of its own.
class ReportWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        qputenv("TMPDIR", m_oldTmp);
    }
    void checkedTemplate(const QString &count) {
        makeTemplate(count);
        main->CheckItem->trigger();
        ASSERT_EQ(op.lastMessage(), QStringLiteral("Все данные введены верно."));
        op.clear();
    }
    QStringList documents() const {
        QStringList l;
        for (const QString &e : op.events)
            if (e.startsWith(QLatin1String("document:")))
                l << e.mid(9);
        return l;
    }
    QTemporaryDir m_tmp;
    QByteArray m_oldTmp;
};

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(ReportWindowTest, CreateOpensANewDocumentEveryTime) {
    checkedTemplate(QStringLiteral("31"));
    // The memo as typed, not as it was at the check.
    main->Memo1->appendPlainText(QStringLiteral("Примечание=после проверки"));
    main->ReportItem->trigger();
    report->BitBtn1->click();
    report->BitBtn1->click();
    EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    const QStringList docs = documents();
    ASSERT_EQ(docs.size(), 2);
    EXPECT_NE(docs[0], docs[1]);
    const qsizetype noteLine = main->Memo1->toPlainText().split(QLatin1Char('\n')).size() - 1;
    for (const QString &path : docs) {
        const QFileInfo info(path);
        EXPECT_EQ(info.fileName(), QStringLiteral("Протокол S7K61-12345.docx"));
        EXPECT_TRUE(info.absoluteFilePath().startsWith(QFileInfo(m_tmp.path()).absoluteFilePath() + QLatin1Char('/')));
        const test::DocxView v = test::readDocx(readAll(path));
        EXPECT_EQ(v.paras.at(1).text, QStringLiteral("S7K61-12345"));
        EXPECT_EQ(v.paras.at(3 + noteLine).text, QStringLiteral("Примечание=после проверки"));
        EXPECT_EQ(v.rows.size(), 33u);
    }
    EXPECT_TRUE(report->isVisible()); // the window stays open
}

TEST_F(ReportWindowTest, SaysWhereTheFileIsWhenNothingOpensIt) {
    checkedTemplate(QStringLiteral("3"));
    op.documentOpens = false;
    report->Edit1->setText(QStringLiteral("7К/61 №1"));
    report->BitBtn1Click();
    ASSERT_EQ(documents().size(), 1);
    const QString path = documents().first();
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("Протокол 7К_61 №1.docx"));
    EXPECT_TRUE(QFileInfo::exists(path));
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_EQ(op.messages[0], QStringLiteral("Не найдена программа, которая открыла бы протокол. Протокол записан в файл ") + path);
}

TEST_F(ReportWindowTest, UnwritableTemporaryFolderIsAMessage) {
    checkedTemplate(QStringLiteral("3"));
    const QString notAFolder = m_tmp.filePath(QStringLiteral("файл"));
    QFile f(notAFolder);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("TMPDIR", notAFolder.toLocal8Bit());
    report->BitBtn1Click();
    EXPECT_TRUE(documents().isEmpty());
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_TRUE(op.messages[0].startsWith(QStringLiteral("Не удалось создать папку для протокола в ") + notAFolder))
        << op.messages[0].toStdString();
}


TEST_F(ReportWindowTest, EnterInTheNumberIsCreate) {
    checkedTemplate(QStringLiteral("3"));
    main->ReportItem->trigger();
    struct Case {
        QString serial;
        bool checked;
        QString file; // empty: no document, the button's refusal instead
    };
    const Case cases[] = {
        {QStringLiteral("S7K61-777"), true, QStringLiteral("Протокол S7K61-777.docx")},
        {QString(), true, QStringLiteral("Протокол.docx")},
        {QStringLiteral(" / "), true, QStringLiteral("Протокол _.docx")},
        {QStringLiteral("S7K61-777"), false, QString()},
    };
    for (const Case &c : cases) {
        op.clear();
        ed().state.DataChecked = c.checked ? 1 : 0;
        report->Edit1->setText(c.serial);
        QTest::keyClick(report->Edit1, Qt::Key_Return);
        const QStringList docs = documents();
        if (c.file.isEmpty()) {
            EXPECT_TRUE(docs.isEmpty()) << c.serial.toStdString();
            EXPECT_EQ(op.lastMessage(), QStringLiteral("Пока не будет произведена проверка данных, протокол создаваться не будет"));
        } else {
            ASSERT_EQ(docs.size(), 1) << c.serial.toStdString() << ' ' << op.lastMessage().toStdString();
            EXPECT_EQ(QFileInfo(docs[0]).fileName(), c.file);
        }
    }
}

// "Печать протокола…" shows the report in the print preview and "Сохранить протокол в PDF…"
// writes it where the dialog says; "Создать протокол" makes the document again.
TEST_F(ReportWindowTest, PrintAndPdfComeFromTheSameReport) {
    checkedTemplate(QStringLiteral("40"));
    int previewed = 0;
    report->setPrintPreview([&](const Document &d) {
        ++previewed;
        EXPECT_EQ(d.table(1).rows(), reportRowCount(40));
    });
    const QString pdf = m_tmp.filePath(QStringLiteral("протокол.pdf"));
    op.saveAnswers << pdf;
    const struct {
        QAction *item;
        int previews;
        bool pdfWritten;
        int documents;
    } cases[] = {
        {main->PrintReportItem, 1, false, 0},
        {main->PdfReportItem, 1, true, 0},
        {main->ReportItem, 1, true, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(plainCaption(c.item->text()).toStdString());
        c.item->trigger();
        report->BitBtn1Click();
        EXPECT_EQ(previewed, c.previews);
        EXPECT_EQ(QFile::exists(pdf), c.pdfWritten);
        EXPECT_EQ(documents().size(), c.documents);
    }
    QFile made(pdf);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    EXPECT_EQ(made.read(5), QByteArray("%PDF-"));
    EXPECT_EQ(op.requests.back().proposedName, QStringLiteral("Протокол S7K61-12345.pdf"));
}
