// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/recording_operator.h"
#include "table/chirp_csv.h"
#include "table/template.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tolvin;

namespace {

const char *Header = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
                     "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n";

BandSettings band2() { return bandRow(2).settings; }

} // namespace

TEST(ChirpCsv, ImportMapsModesAndListsWhatDoesNotFit) {
    const QString csv = QString::fromUtf8("\xEF\xBB\xBF") + QString::fromLatin1(Header) + QString::fromUtf8(
        "1,,146.525000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,5.0W,,,,,\r\n"
        "2,\"Rpt, north\",145.600000,-,0.600000,Tone,131.8,88.5,023,NN,023,Tone->Tone,NFM,12.50,S,,,,,,\r\n"
        "3,,150.006250,+,1.000000,TSQL,67.0,100.0,023,NN,023,Tone->Tone,FM,6.25,,,,,,,\r\n"
        "4,,151.000000,,0.000000,DTCS,88.5,88.5,754,NN,023,Tone->Tone,FM,5.00,,,,,,,\r\n"
        "5,,152.000000,split,153.000000,Cross,88.5,88.5,023,NN,411,DTCS->DTCS,FM,5.00,,,,,,,\r\n"
        "6,,153.000000,off,0.000000,Cross,88.5,69.3,023,NN,023,->Tone,FM,5.00,,,,,,,\r\n"
        "7,,446.006250,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,NFM,6.25,,,,,,,\r\n"
        "8,,150.003000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,,,,,,\r\n"
        "9,,abc,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,,,,,,\r\n");
    const CsvImport in = importChirpCsv(csv, band2());
    ASSERT_EQ(in.rows.size(), 6) << in.summary().toStdString();
    struct Row { const char *rx, *tx, *ctcRx, *ctcTx, *dcsRx, *dcsTx, *sw, *txOff; bool scan; };
    const Row rows[] = {
        {"146525", "146525", "Нет", "Нет", "Нет", "Нет", "25", "Норм", true},
        {"145600", "145000", "Нет", "131,8", "Нет", "Нет", "12,5", "Норм", false},
        {"150006,25", "151006,25", "100,0", "100,0", "Нет", "Нет", "25", "Норм", true},
        {"151000", "151000", "Нет", "Нет", "754", "754", "25", "Норм", true},
        {"152000", "153000", "Нет", "Нет", "411", "023", "25", "Норм", true},
        {"153000", "153000", "Нет", "Нет", "Нет", "Нет", "25", "OFF", true},
    };
    for (int i = 0; i < 6; ++i) {
        const QStringList &c = in.rows[i];
        const Row &e = rows[i];
        EXPECT_EQ(c[ColNumber], QString::number(i + 1));
        EXPECT_EQ(c[ColRx], QString::fromUtf8(e.rx)) << i;
        EXPECT_EQ(c[ColTx], QString::fromUtf8(e.tx)) << i;
        EXPECT_EQ(c[ColCtcRx], QString::fromUtf8(e.ctcRx)) << i;
        EXPECT_EQ(c[ColCtcTx], QString::fromUtf8(e.ctcTx)) << i;
        EXPECT_EQ(c[ColDcsRx], QString::fromUtf8(e.dcsRx)) << i;
        EXPECT_EQ(c[ColDcsTx], QString::fromUtf8(e.dcsTx)) << i;
        EXPECT_EQ(c[ColSpacing], QString::fromUtf8(e.sw)) << i;
        EXPECT_EQ(c[ColTxOff], QString::fromUtf8(e.txOff)) << i;
        EXPECT_EQ(in.flags[i][0], e.scan) << i;
    }
    EXPECT_EQ(in.skipped.size(), 3);
    EXPECT_TRUE(in.skipped[0].contains(QStringLiteral("вне диапазона"))) << in.skipped[0].toStdString();
    EXPECT_TRUE(in.skipped[1].contains(QStringLiteral("6,25"))) << in.skipped[1].toStdString();
    EXPECT_TRUE(in.skipped[2].contains(QStringLiteral("не число")));
    EXPECT_EQ(in.notes.size(), 1) << "69.3 is no tone of the station";
    EXPECT_EQ(in.ignoredColumns, (QStringList{"Name", "Power"}));
    const QString summary = in.summary();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Загружено каналов: 6")));
    EXPECT_TRUE(summary.contains(QStringLiteral("Name, Power")));
}

TEST(ChirpCsv, MoreThanNinetyNineRows) {
    QString csv = QString::fromLatin1("Location,Frequency\n");
    for (int i = 0; i < 120; ++i)
        csv += QStringLiteral("%1,%2\n").arg(i).arg(150.0 + i * 0.025, 0, 'f', 6);
    const CsvImport in = importChirpCsv(csv, band2());
    EXPECT_EQ(in.rows.size(), 99);
    EXPECT_EQ(in.beyondLimit, 21);
    EXPECT_TRUE(in.summary().contains(QStringLiteral("не загружено строк: 21")));
}

TEST(ChirpCsv, ExportRoundTripsAndNamesWhatCannotGo) {
    Editor ed;
    selectBand(ed, 2);
    ed.templ = {QStringLiteral("7"), QStringLiteral("150000"), QStringLiteral("12,5")};
    test::RecordingOperator op;
    ASSERT_TRUE(createTemplate(ed, op));
    ChannelTable &t = ed.table;
    t.setCell(ColCtcTx, 1, QStringLiteral("88,5"));                                          // Tone
    t.setCell(ColCtcRx, 2, QStringLiteral("100,0")); t.setCell(ColCtcTx, 2, QStringLiteral("100,0")); // TSQL
    t.setCell(ColDcsRx, 3, QStringLiteral("023")); t.setCell(ColDcsTx, 3, QStringLiteral("023"));     // DTCS
    t.setCell(ColCtcRx, 4, QStringLiteral("67,0")); t.setCell(ColCtcTx, 4, QStringLiteral("71,9"));   // Cross
    t.setCell(ColTx, 5, QStringLiteral("150500")); t.setCell(ColSpacing, 5, QStringLiteral("12,5"));
    t.setFlag(ColScan, 5, false);
    t.setCell(ColCtcTx, 6, QStringLiteral("69,4"));                                          // not in CHIRP
    t.setCell(ColRx, 7, QStringLiteral("РЕТР_ПП"));
    const CsvExport out = exportChirpCsv(t);
    const QStringList lines = QString::fromUtf8(out.csv).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 9) << "header, seven channels, final break";
    EXPECT_EQ(lines[1], QStringLiteral("0,,150.000000,,0.000000,Tone,88.5,88.5,023,NN,023,Tone->Tone,FM,6.25,,,,,,,"));
    EXPECT_EQ(lines[4], QStringLiteral("3,,150.037500,,0.000000,Cross,71.9,67.0,023,NN,023,Tone->Tone,FM,6.25,,,,,,,"));
    EXPECT_EQ(lines[5], QStringLiteral("4,,150050.000000,+,0.450000,,88.5,88.5,023,NN,023,Tone->Tone,NFM,6.25,S,,,,,,").replace(
                            QStringLiteral("150050.000000"), QStringLiteral("150.050000")));
    EXPECT_EQ(out.lost.size(), 2);
    EXPECT_TRUE(out.summary().contains(QStringLiteral("тон 69,4")));
    EXPECT_TRUE(out.summary().contains(QStringLiteral("РЕТР_ПП")));

    // What was exported imports as it was, for everything CHIRP could hold, each channel in its
    // row with its number; CHIRP's memories count from 0.
    const CsvImport back = importChirpCsv(QString::fromUtf8(out.csv), bandRow(2).settings);
    ASSERT_EQ(back.rows.size(), 7);
    for (int r = 1; r <= 7; ++r) {
        EXPECT_EQ(lines[r].section(QLatin1Char(','), 0, 0), QString::number(r - 1));
        EXPECT_EQ(back.rows[r - 1][ColNumber], t.cell(ColNumber, r)) << r;
    }
    for (int r = 1; r <= 5; ++r)
        for (int c : {ColRx, ColTx, ColCtcRx, ColCtcTx, ColDcsRx, ColDcsTx, ColSpacing})
            EXPECT_EQ(back.rows[r - 1][c], t.cell(c, r)) << r << "," << c;
    EXPECT_FALSE(back.flags[4][0]);
}

// CHIRP's own CSV driver (Debian's chirp package) reading our export: its memory N is the channel
// the import makes of line N + 1, also where a channel could not go.
TEST(ChirpCsv, ChirpsMemoriesAreTheChannelsTheImportMakes) {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo::exists(QStringLiteral("/usr/lib/python3/dist-packages/chirp/drivers/generic_csv.py")) ||
        !QFileInfo::exists(python))
        GTEST_SKIP() << "CHIRP is not installed (apt-get install chirp)";
    Editor ed;
    selectBand(ed, 2);
    ed.templ = {QStringLiteral("6"), QStringLiteral("150000"), QStringLiteral("25")};
    test::RecordingOperator op;
    ASSERT_TRUE(createTemplate(ed, op));
    ed.table.setCell(ColRx, 3, QString()); // no frequency: not exported
    const CsvExport out = exportChirpCsv(ed.table);
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("ours.csv")), theirs = dir.filePath(QStringLiteral("theirs.csv"));
    QFile f(ours);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(out.csv);
    f.close();
    QProcess p;
    p.start(python, {QStringLiteral(TOLVIN_SOURCE_DIR "/tests/peers/chirp_csv_peer.py"), ours, theirs});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList memories = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    const CsvImport back = importChirpCsv(QString::fromUtf8(out.csv), band2());
    ASSERT_EQ(memories.size(), back.rows.size());
    for (const QString &m : memories) {
        const int number = m.section(QLatin1Char(' '), 0, 0).toInt();
        ASSERT_LT(number, back.rows.size()) << m.toStdString();
        EXPECT_EQ(back.rows[number][ColNumber], QString::number(number + 1)) << m.toStdString();
        EXPECT_EQ(back.rows[number][ColRx] + QStringLiteral("000"), m.section(QLatin1Char(' '), 1, 1)) << m.toStdString();
    }
    // And the file CHIRP writes comes back as the same channels.
    QFile written(theirs);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(importChirpCsv(QString::fromUtf8(written.readAll()), band2()).rows, back.rows);
}

TEST(ChirpCsv, FilesOfAnyShapeGiveABoundedSummary) {
    // Each a file as large as a read takes. What matters is what is taken and that the summary a
    // message box shows stays a readable size; the cost of each shape is in the benchmark.
    constexpr int Size = 1024 * 1024;
    auto fill = [](QString head, const QString &unit) {
        while (head.size() + unit.size() <= Size)
            head += unit;
        return head;
    };
    const QString header = QString::fromLatin1(Header);
    QString columns = QStringLiteral("Location,Frequency");
    int columnCount = 2;
    for (; columns.size() < Size / 2; ++columnCount)
        columns += QStringLiteral(",c%1").arg(columnCount + 1);
    columns += QStringLiteral("\n1,150.000000") + QStringLiteral(",x").repeated(columnCount - 2) + QStringLiteral("\n");

    // Counts that depend on how many lines a shape fits in the file.
    constexpr int EveryLine = -1;     // every line after the header
    constexpr int PastTheLimit = -2;  // every line after the header but the first 99
    struct Case {
        const char *what;
        QString csv;
        int rows, skipped, beyondLimit, ignoredColumns;
        QString inSummary;
    };
    const Case cases[] = {
        {"CR LF only", QStringLiteral("\r\n").repeated(Size / 2), 0, 0, 0, 0, {}},
        {"LF only", QString(Size, u'\n'), 0, 0, 0, 0, {}},
        {"blank lines", header + QStringLiteral(" \t \n").repeated(Size / 4 - 60), 0, 0, 0, 0, {}},
        {"commas only", QStringLiteral(",\n").repeated(Size / 2), 0, EveryLine, 0, 0,
         QStringLiteral("строка 2 (Location ): частота «» не число")},
        {"one huge field", header + QStringLiteral("1,,") + QString(Size, u'7'), 0, 1, 0, 0,
         QStringLiteral("строка 2 (Location 1): частота «%1…» не число").arg(QString(60, u'7'))},
        {"one huge location", header + QString(Size, u'L') + QStringLiteral(",,500.000000"), 0, 1, 0, 0,
         QStringLiteral("строка 2 (Location %1…): 500000 кГц вне диапазона").arg(QString(60, u'L'))},
        {"many columns", fill(columns, QStringLiteral("1,150.000000\n")), 99, 0, PastTheLimit, columnCount - 2,
         QStringLiteral("пропущены: c10, c100, c1000, ")},
        {"past 99 channels", fill(header, QStringLiteral("1,,150.000000\r\n")), 99, 0, PastTheLimit, 0,
         QStringLiteral("В станцию помещается не больше 99 каналов")},
        {"outside the band", fill(header, QStringLiteral("1,,500.000000\r\n")), 0, EveryLine, 0, 0,
         QStringLiteral("строка 2 (Location 1): 500000 кГц вне диапазона 140000-174000 кГц")},
    };
    for (const Case &c : cases) {
        const int dataLines = int(c.csv.count(QLatin1Char('\n'))) - 1;
        auto expected = [&](int n) { return n == EveryLine ? dataLines : n == PastTheLimit ? dataLines - 99 : n; };
        const CsvImport in = importChirpCsv(c.csv, band2());
        EXPECT_EQ(in.rows.size(), c.rows) << c.what;
        EXPECT_EQ(in.skippedCount, expected(c.skipped)) << c.what;
        EXPECT_EQ(in.skipped.size(), std::min(in.skippedCount, CsvImport::Listed)) << c.what;
        EXPECT_EQ(in.beyondLimit, expected(c.beyondLimit)) << c.what;
        EXPECT_EQ(in.ignoredColumns.size(), c.ignoredColumns) << c.what;

        // Nothing taken: every line read was refused, and the message says how many and why.
        const QString nothing = in.nothingTaken(2);
        EXPECT_EQ(nothing.isEmpty(), c.rows > 0) << c.what;
        EXPECT_LT(nothing.size(), 3000) << c.what;
        if (c.rows == 0) {
            EXPECT_TRUE(nothing.startsWith(in.skippedCount == 0 ? QStringLiteral("В файле нет ни одной строки с каналом")
                                           : QStringLiteral("Прочитано строк: %1; ни одна не подходит для диапазона "
                                                            "«144-174 МГц» (Толвин 7К-62)").arg(in.skippedCount)))
                << c.what << "\n" << nothing.toStdString();
        }

        const QString summary = in.summary();
        EXPECT_LT(summary.size(), 3000) << c.what;
        EXPECT_LE(summary.count(QLatin1Char('\n')), 2 * CsvImport::Listed + 8) << c.what;
        EXPECT_TRUE(summary.startsWith(QStringLiteral("Загружено каналов: %1").arg(c.rows))) << c.what;
        EXPECT_TRUE(summary.contains(c.inSummary)) << c.what << "\n" << summary.toStdString();
        for (const qsizetype listed : {qsizetype(in.skippedCount), in.ignoredColumns.size()}) {
            if (listed > CsvImport::Listed) {
                EXPECT_TRUE(summary.contains(QStringLiteral("и ещё %1").arg(listed - CsvImport::Listed))) << c.what;
            }
        }
    }
}
