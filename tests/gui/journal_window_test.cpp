// SPDX-License-Identifier: GPL-3.0-or-later
// "Станция" → "Журнал станций": finding a station's entries and putting one back into the editor.
#include "gui/journal_reader.h"
#include "gui/journal_window.h"
#include "journal/exchange_entries.h"
#include "journal/journal.h"
#include "journal/journal_store.h"
#include "main_window_fixture.h"
#include "settings_file/settings_file.h"
#include "support/postgres_server.h"
#include "support/template_file.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QUndoStack>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
        if (w)
            settle(w);
        return w;
    }
    // Until what the window asked for has arrived.
    static void settle(JournalWindow *w) { EXPECT_TRUE(QTest::qWaitFor([&] { return !w->busy(); }, 20000)); }

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
        {QStringLiteral("07a"), {}, -1, 3},                            // the beginning, in any case
        {QStringLiteral("0"), {}, -1, 4},
        {QStringLiteral("7A1F3"), {}, -1, 0},
    };
    for (const Case &c : cases) {
        w->SerialEdit->setText(c.serial);
        w->TextEdit->setText(c.text);
        w->SinceBox->setChecked(c.sinceDaysAgo >= 0);
        if (c.sinceDaysAgo >= 0)
            w->SinceEdit->setDate(QDate::currentDate().addDays(-c.sinceDaysAgo));
        w->refresh();
        settle(w);
        EXPECT_EQ(w->Entries->rowCount(), c.rows) << c.serial.toStdString() << '/' << c.text.toStdString();
    }
    w->SerialEdit->setText(QStringLiteral("07A1F3"));
    w->TextEdit->clear();
    w->SinceEdit->setDate(QDate::currentDate().addDays(-7));
    w->SinceBox->setChecked(true);
    settle(w);
    w->SinceEdit->setDate(QDate::currentDate().addDays(-40));
    EXPECT_FALSE(w->busy()) << "a date is read once its editing is done, not at each keystroke";
    Q_EMIT w->SinceEdit->editingFinished();
    settle(w);
    EXPECT_EQ(w->Entries->rowCount(), 3);
    // Typed, the list follows once typing pauses; not a reading a keystroke.
    w->TextEdit->clear();
    w->SinceBox->setChecked(false);
    settle(w);
    w->SerialEdit->clear();
    QTest::keyClicks(w->SerialEdit, QStringLiteral("0b0"));
    EXPECT_FALSE(w->busy()) << "nothing asked while typing";
    EXPECT_EQ(w->Entries->rowCount(), 3) << "07A1F3's, until the pause";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->busy() && w->Entries->rowCount() == 1; }, 5000));
    w->SerialEdit->setText(QStringLiteral("07A1F3"));
    w->TextEdit->setText(QStringLiteral("хранит"));
    w->SinceBox->setChecked(false);
    w->refresh();
    settle(w);
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
    settle(w);
    EXPECT_EQ(ed().table.channelCount(), 3) << "Отмена keeps the table";

    op.saveQuestionAnswers = {SaveAnswer::Discard};
    w->OpenClick();
    settle(w);
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
    settle(w);
    ASSERT_FALSE(op.requests.isEmpty());
    EXPECT_TRUE(op.requests.last().proposedName.startsWith(QStringLiteral("07A1F3_")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), e.config);
    // The entry's certificate, as PDF.
    const QString certificate = dir.filePath(QStringLiteral("свидетельство.pdf"));
    op.saveAnswers = {certificate};
    w->CertificateClick();
    settle(w);
    EXPECT_TRUE(op.requests.last().proposedName.endsWith(QStringLiteral(".pdf")));
    QFile made(certificate);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly)) << op.lastMessage().toStdString();
    EXPECT_EQ(made.read(5), QByteArray("%PDF-"));
}

TEST_F(JournalWindowTest, AJournalThatCannotBeOpenedSaysSoInTheWindow) {
    QFile f(dir.filePath(QStringLiteral("bad.sqlite")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    JournalWindow w(parseJournalPlace(QStringLiteral("sqlite:") + f.fileName()), op, nullptr);
    w.show();
    settle(&w);
    EXPECT_EQ(w.Entries->rowCount(), 0);
    EXPECT_TRUE(w.StatusText->text().startsWith(QStringLiteral("Журнал станций"))) << w.StatusText->text().toStdString();
    EXPECT_TRUE(op.messages.isEmpty());
}

TEST_F(JournalWindowTest, MoreListsThePageAfterTheLastEntryShown) {
    // Three entries a second, so that one second spans the end of the first page.
    std::vector<JournalEntry> many;
    for (int i = 0; i < 5003; ++i) {
        many.push_back(entry(QStringLiteral("0C%1").arg(i, 4, 10, QLatin1Char('0')), 0, 0));
        many.back().time = many.front().time.addSecs(-(i / 3));
    }
    JournalStore store(journal->place());
    store.add(many);
    JournalWindow *w = openWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Entries->rowCount(), 5000);
    EXPECT_TRUE(w->StatusText->text().startsWith(QStringLiteral("Показаны последние 5000 записей"))) << w->StatusText->text().toStdString();
    ASSERT_TRUE(w->MoreButton->isEnabled());
    w->MoreButton->click();
    settle(w);
    EXPECT_FALSE(w->MoreButton->isEnabled());
    QStringList shown, all;
    for (const JournalEntry &e : w->shown())
        shown << e.id;
    for (const JournalEntry &e : store.list({}))
        all << e.id;
    EXPECT_EQ(shown, all);
}

TEST_F(JournalWindowTest, NeverWaitsOnASharedJournalThatDoesNotAnswerAndListsTheBenchsOwnMeanwhile) {
    // A server that takes connections and never says a word: the kernel completes each handshake
    // and nobody reads.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 16), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const QString uri = QStringLiteral("postgresql://tolvin@127.0.0.1:%1/tolvin?connect_timeout=2").arg(ntohs(address.sin_port));
    // This bench's journal: one entry sent, two still waiting, one of them with a serial number
    // that would clear a terminal and forge a line.
    const QString local = dir.filePath(QStringLiteral("bench.sqlite"));
    {
        JournalStore bench(parseJournalPlace(QStringLiteral("sqlite:") + local));
        bench.add(entry(QStringLiteral("07A1F3"), 2, 3));
        bench.add({entry(QStringLiteral("07A1F3"), 1, 3), entry(QStringLiteral("07A1F3\x1B[2J\n2026-12-10  write"), 0, 0)}, true);
    }
    auto w = std::make_unique<JournalWindow>(parseJournalPlace(uri), op, nullptr, nullptr, local);
    QElapsedTimer clock;
    qint64 last = 0, widest = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        widest = std::max(widest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    tick.start();

    w->show();
    EXPECT_EQ(w->StatusText->text(), QStringLiteral("Загрузка…"));
    w->TextEdit->setText(QStringLiteral("07a1f3"));
    w->refresh(); // supersedes the first reading
    settle(w.get());
    const QString status = w->StatusText->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("Общий журнал недоступен: ")) && status.size() > 30) << status.toStdString();
    EXPECT_TRUE(status.endsWith(QStringLiteral("; ожидают отправки: 2"))) << status.toStdString();
    ASSERT_EQ(w->Entries->rowCount(), 3);
    EXPECT_EQ(w->Entries->item(0, 2)->text(), QStringLiteral("07A1F3\\x1B[2J\\n2026-12-10  write"));
    QStringList results;
    for (int row = 0; row < 3; ++row)
        results << w->Entries->item(row, 4)->text();
    EXPECT_EQ(results, (QStringList{QStringLiteral("успешно, ожидает отправки"), QStringLiteral("успешно, ожидает отправки"),
                                    QStringLiteral("успешно")}));

    // Asking the server again, and closing the window while it is asked, wait for it no more.
    w->RefreshButton->click();
    EXPECT_TRUE(w->busy());
    QTest::qWait(200);
    w.reset();
    QTest::qWait(50);
    EXPECT_LE(widest, 50) << "the longest the window did not answer, ms";
}

TEST_F(JournalWindowTest, ClosingCutsAQueryTheSharedJournalHoldsUp) {
    if (!PostgresServer::available())
        GTEST_SKIP() << "PostgreSQL is not installed (Debian package postgresql)";
    PostgresServer server;
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    { JournalStore(parseJournalPlace(server.uri())).add(entry(QStringLiteral("07A1F3"), 0, 3)); }
    const int readers = JournalReader::threadsRunning();
    auto w = std::make_unique<JournalWindow>(parseJournalPlace(server.uri()), op, nullptr);
    w->show();
    settle(w.get());
    ASSERT_EQ(w->Entries->rowCount(), 1) << w->StatusText->text().toStdString();
    // Another session holds the table, so the window's next query waits on the server.
    QProcess holder;
    holder.start(PostgresServer::binDir() + QStringLiteral("/psql"),
                 {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-d"), server.uri(), QStringLiteral("-c"),
                  QStringLiteral("BEGIN; LOCK TABLE entries; SELECT pg_sleep(60)")});
    const auto sql = [&](const QString &query) {
        QString out;
        server.runSql(query, &out);
        return out;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return sql(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE mode = "
                                                                 "'AccessExclusiveLock' AND granted")) != QStringLiteral("0"); },
                                10000));
    w->refresh();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return sql(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'")) == QStringLiteral("1"); },
        10000));
    QElapsedTimer closing;
    closing.start();
    w.reset();
    EXPECT_LT(closing.elapsed(), 50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return JournalReader::threadsRunning() == readers; }, 200))
        << "the reader ended at once, not when the server let its query go";
    holder.kill();
    holder.waitForFinished();
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
