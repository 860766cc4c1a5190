// SPDX-License-Identifier: GPL-3.0-or-later
// "Станция" → "Журнал станций": finding a station's entries and putting one back into the editor.
#include "gui/journal_window.h"
#include "journal/exchange_entries.h"
#include "journal/journal.h"
#include "main_window_fixture.h"
#include "settings_file/settings_file.h"
#include "support/template_file.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QUndoStack>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class JournalWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        journal = std::make_unique<Journal>(parseJournalPlace(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("j.sqlite"))));
        main->setJournal(journal.get());
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        journal.reset();
    }
    // An entry of `serial`, `daysAgo` days back, keeping a template of `count` channels.
    JournalEntry entry(const QString &serial, int daysAgo, int count, const QString &operation = JournalOp::Write) {
        JournalEntry e = newJournalEntry(operation);
        e.time = e.time.addDays(-daysAgo);
        e.serial = serial;
        e.device = QStringLiteral("/dev/ttyUSB0");
        e.message = QStringLiteral("Записано в станцию");
        if (count > 0)
            setJournalConfig(e, settingsFileBytes(templateEditor(2, count)));
        return e;
    }
    JournalWindow *openWindow() {
        main->JournalClick();
        JournalWindow *w = main->journalWindow();
        EXPECT_TRUE(w && w->isVisible());
        return w;
    }

    QTemporaryDir dir;
    std::unique_ptr<Journal> journal;
};

TEST_F(JournalWindowTest, TheItemFollowsTheStationMenusItems) {
    const QStringList station = menuCaptions(topMenu(4));
    ASSERT_GE(station.size(), 2);
    EXPECT_EQ(station.mid(station.size() - 2), (QStringList{QStringLiteral("Журнал обмена"), QStringLiteral("Журнал станций")}));
}

TEST_F(JournalWindowTest, FindsAStationBySerialTextAndDateNewestFirst) {
    JournalEntry verify = entry(QStringLiteral("07A1F3"), 1, 0, JournalOp::Verify);
    verify.result = JournalResult::Failed;
    verify.message = QStringLiteral("Проверка после записи: станция хранит не то, что записано (различий: 1)");
    verify.differences = {QStringLiteral("Канал 2, Rx, кГц: 150050 вместо 150025")};
    journal->record({entry(QStringLiteral("07A1F3"), 30, 5), entry(QStringLiteral("07A1F3"), 2, 8), verify,
                     entry(QStringLiteral("0B0B0B"), 0, 3)});
    journal->flush();
    JournalWindow *w = openWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Entries->rowCount(), 4);
    EXPECT_EQ(w->shown().front().serial, QStringLiteral("0B0B0B"));

    struct Case {
        QString serial, text;
        int sinceDaysAgo; // -1: no date
        int rows;
    };
    const Case cases[] = {
        {QStringLiteral("07A1F3"), {}, -1, 3},
        {QStringLiteral("07A1F3"), QStringLiteral("ХРАНИТ"), -1, 1},   // any case
        {QStringLiteral("07A1F3"), {}, 7, 2},
        {{}, QStringLiteral("150050"), -1, 1},                         // in the differences
        {{}, QStringLiteral("ttyUSB0"), -1, 4},
        {QStringLiteral("FFFFFF"), {}, -1, 0},
    };
    for (const Case &c : cases) {
        w->SerialEdit->setText(c.serial);
        w->TextEdit->setText(c.text);
        w->SinceBox->setChecked(c.sinceDaysAgo >= 0);
        if (c.sinceDaysAgo >= 0)
            w->SinceEdit->setDate(QDate::currentDate().addDays(-c.sinceDaysAgo));
        w->refresh();
        EXPECT_EQ(w->Entries->rowCount(), c.rows) << c.serial.toStdString() << '/' << c.text.toStdString();
    }
    w->SerialEdit->setText(QStringLiteral("07A1F3"));
    w->TextEdit->setText(QStringLiteral("хранит"));
    w->SinceBox->setChecked(false);
    w->refresh();
    w->selectEntry(0);
    const QString details = w->Details->toPlainText();
    EXPECT_TRUE(details.contains(QStringLiteral("Проверка, ошибка"))) << details.toStdString();
    EXPECT_TRUE(details.contains(QStringLiteral("Различия (1):\nКанал 2, Rx, кГц: 150050 вместо 150025"))) << details.toStdString();
    EXPECT_FALSE(w->OpenButton->isEnabled()) << "a verify without a configuration opens nothing";
}

TEST_F(JournalWindowTest, AnEntryOpensInTheEditorAsAnUndoStepAfterTheUnsavedWorkQuestion) {
    journal->record(entry(QStringLiteral("07A1F3"), 0, 7));
    journal->flush();
    makeTemplate(QStringLiteral("3"));
    ed().table.setCell(3, 1, QStringLiteral("150100")); // unsaved work
    JournalWindow *w = openWindow();
    ASSERT_TRUE(w);
    w->selectEntry(0);

    op.saveQuestionAnswers = {SaveAnswer::Cancel};
    w->OpenClick();
    EXPECT_EQ(ed().table.channelCount(), 3) << "Отмена keeps the table";

    op.saveQuestionAnswers = {SaveAnswer::Discard};
    w->OpenClick();
    EXPECT_EQ(ed().table.channelCount(), 7);
    Editor loaded;
    loadSettingsBytes(loaded, settingsFileBytes(templateEditor(2, 7)), QStringLiteral("x.ini"));
    EXPECT_EQ(settingsFileBytes(ed()), settingsFileBytes(loaded)) << "as «Чтение файла» loads it";
    EXPECT_FALSE(main->isModified()) << "what the journal holds is nothing to lose";
    EXPECT_EQ(main->undoStack()->undoText(), QStringLiteral("Чтение из журнала"));
    main->undoStack()->undo();
    EXPECT_EQ(ed().table.channelCount(), 3);
}

TEST_F(JournalWindowTest, SaveAsWritesTheEntrysSettingsFile) {
    const JournalEntry e = entry(QStringLiteral("07A1F3"), 0, 4);
    journal->record(e);
    journal->flush();
    JournalWindow *w = openWindow();
    ASSERT_TRUE(w);
    w->selectEntry(0);
    const QString path = dir.filePath(QStringLiteral("восстановить.ini"));
    op.saveAnswers = {path};
    w->SaveAsClick();
    ASSERT_FALSE(op.requests.isEmpty());
    EXPECT_TRUE(op.requests.last().proposedName.startsWith(QStringLiteral("07A1F3_")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), e.config);
}

TEST_F(JournalWindowTest, AJournalThatCannotBeOpenedSaysSoInTheWindow) {
    QFile f(dir.filePath(QStringLiteral("bad.sqlite")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    JournalWindow w(parseJournalPlace(QStringLiteral("sqlite:") + f.fileName()), op, nullptr);
    w.show();
    EXPECT_EQ(w.Entries->rowCount(), 0);
    EXPECT_TRUE(w.StatusText->text().startsWith(QStringLiteral("Журнал станций"))) << w.StatusText->text().toStdString();
    EXPECT_TRUE(op.messages.isEmpty());
}

} // namespace

namespace {

TEST_F(MainWindowTest, AJournalAwayIsToldOnceInTheMainWindow) {
    QTemporaryDir dir;
    // A server that is not there: no socket in this folder.
    Journal journal(parseJournalPlace(QStringLiteral("postgresql:///tolvin?host=") + dir.path()), journalNotices(*main),
                    dir.filePath(QStringLiteral("bench.sqlite")));
    for (int i = 0; i < 3; ++i) {
        JournalEntry e = newJournalEntry(JournalOp::Type);
        e.message = QStringLiteral("Толвин 7К-62");
        journal.record(e);
        journal.flush();
    }
    QTRY_COMPARE_WITH_TIMEOUT(op.messages.size(), 1, 5000);
    QTest::qWait(100);
    ASSERT_EQ(op.messages.size(), 1) << op.messages.join('\n').toStdString();
    EXPECT_TRUE(op.messages.front().startsWith(QStringLiteral("Общий журнал станций postgresql:///tolvin?host=")))
        << op.messages.front().toStdString();
    EXPECT_TRUE(op.messages.front().endsWith(QStringLiteral("будут отправлены позже")));
    EXPECT_EQ(journal.sync().left, 3) << "kept on the bench";
}

} // namespace
