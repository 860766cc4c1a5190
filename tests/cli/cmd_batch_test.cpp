// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli batch: a plan of Ids that cannot serve the series is refused before a byte is sent;
// against tolvin-sim's series of stations, each gets its own Id once, across ports and runs.
#include "cli/cli_run.h"

#include "support/template_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

TEST(CmdBatch, APlanThatCannotServeTheSeriesIsRefusedBeforeAnythingIsSent) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("fleet.ini"));
    saveTemplateFile(ini, 2, 12);
    const auto csv = [&](const char *name, const QByteArray &text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString twice = csv("twice.csv", "serial;Id\n070001;0001\n070001;0002\n");
    const QString sameId = csv("same-id.csv", "070001;0001\n070002;0001\n");
    const QString shortId = csv("short.csv", "070001;001\n");
    const QString two = csv("two.csv", "070001;0001\n070002;0002\n");
    // No station is on /dev/null: a refusal that came too late would not be a refusal at all.
    const QStringList head{QStringLiteral("batch"), ini, QStringLiteral("--port"), QStringLiteral("/dev/null")};
    const struct {
        QStringList args;
        const char *said;
    } cases[] = {
        {{}, "Не указан план Id"},
        {{"--id-start", "0001", "--ids", two}, "вместе не указываются"},
        {{"--id-start", "001"}, "четырех знаков"},
        {{"--id-start", "00E1"}, "«00E1»"},
        {{"--id-start", "0001", "--id-step", "0"}, "--id-step"},
        {{"--id-start", "****", "--count", "2"}, "не хватит на 2"},
        {{"--id-start", "FFFF"}, "четырех знаков"},
        {{"--ids", two, "--count", "3"}, "не хватит на 3"},
        {{"--ids", twice}, "серийный номер 070001 указан дважды"},
        {{"--ids", sameId}, "Id 0001 указан дважды"},
        {{"--ids", shortId}, "четырех знаков"},
    };
    for (const auto &c : cases)
        expectRefused(head + c.args, QString::fromUtf8(c.said));
}
