// SPDX-License-Identifier: GPL-3.0-or-later
// The manual pages under docs/man: each renders without a warning, and the English and Russian
// page of a program document the same options, all of them ones the program has, and every
// command and option it has.
#include "cli/command_help.h"
#include "sim/sim_options.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

const QString ManDir = QStringLiteral(TOLVIN_SOURCE_DIR "/docs/man");
const QStringList Languages{QStringLiteral("en"), QStringLiteral("ru")};

// The page's source with roff's "\-" as the hyphen a reader types.
QString pageText(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
}

QSet<QString> longOptionsIn(const QString &text) {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*"));
    QSet<QString> names;
    for (QRegularExpressionMatchIterator it = option.globalMatch(text); it.hasNext();)
        names << it.next().captured();
    return names;
}

std::string sorted(const QSet<QString> &names) {
    QStringList list(names.begin(), names.end());
    list.sort();
    return list.join(QLatin1Char(' ')).toStdString();
}

struct Program {
    QString page;
    QStringList commands;      // each must head an entry of the page: ".B ports", ".BI show ..."
    QSet<QString> options;     // each must be on the page
    QSet<QString> mentionable; // what else the page may name: another program's options
};

QSet<QString> cliOptions() {
    QSet<QString> all;
    for (const tolvin::cli::CommandHelp &c : tolvin::cli::kCommandHelp)
        all.unite(longOptionsIn(QString::fromUtf16(c.synopsis)));
    for (const tolvin::cli::GeneralOptionHelp &o : tolvin::cli::kGeneralOptionHelp)
        all.unite(longOptionsIn(QString::fromLatin1(o.names)));
    return all;
}

QSet<QString> simOptions() {
    QSet<QString> all;
    for (const tolvin::sim::OptionEntry &entry : tolvin::sim::kOptions)
        all << QString::fromLatin1(entry.name);
    return all;
}

QList<Program> programs() {
    QStringList commands;
    for (const tolvin::cli::CommandHelp &c : tolvin::cli::kCommandHelp)
        commands << QString::fromLatin1(c.name);
    return {
        {QStringLiteral("tolvin.1"), {}, {}, {}},
        {QStringLiteral("tolvin-cli.1"), commands, cliOptions(), {}},
        // Its examples drive the simulator with tolvin-cli.
        {QStringLiteral("tolvin-sim.1"), {}, simOptions(), cliOptions()},
    };
}

} // namespace

TEST(ManPages, RenderWithoutWarnings) {
    const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
    if (groff.isEmpty())
        GTEST_SKIP() << "groff is not installed";
    int pages = 0;
    for (const QString &language : Languages) {
        const QDir dir(ManDir + QLatin1Char('/') + language);
        for (const QString &name : dir.entryList({QStringLiteral("*.1")}, QDir::Files, QDir::Name)) {
            const QString page = dir.filePath(name);
            QProcess p;
            // -k: the pages are UTF-8, as their coding line tells preconv (and man).
            p.start(groff, {QStringLiteral("-k"), QStringLiteral("-man"), QStringLiteral("-Tutf8"), QStringLiteral("-ww"),
                            QStringLiteral("-z"), page});
            ASSERT_TRUE(p.waitForFinished(30000)) << page.toStdString();
            EXPECT_EQ(p.exitCode(), 0) << page.toStdString();
            EXPECT_EQ(p.readAllStandardError().toStdString(), "") << page.toStdString();
            ++pages;
        }
    }
    EXPECT_EQ(pages, programs().size() * Languages.size());
}

TEST(ManPages, BothLanguagesDocumentEveryCommandAndOptionTheProgramHas) {
    for (const Program &program : programs()) {
        SCOPED_TRACE(program.page.toStdString());
        QSet<QString> documented[2];
        for (int l = 0; l < 2; ++l) {
            SCOPED_TRACE(Languages[l].toStdString());
            const QString text = pageText(ManDir + QLatin1Char('/') + Languages[l] + QLatin1Char('/') + program.page);
            ASSERT_FALSE(text.isEmpty()) << "missing page";
            documented[l] = longOptionsIn(text);
            for (const QString &option : program.options)
                EXPECT_TRUE(documented[l].contains(option)) << option.toStdString() << " is not documented";
            for (const QString &option : documented[l])
                EXPECT_TRUE(program.options.contains(option) || program.mentionable.contains(option))
                    << option.toStdString() << " is no option of the program";
            for (const QString &command : program.commands) {
                const QRegularExpression entry(QStringLiteral("^\\.B[IR]? ") + QRegularExpression::escape(command) +
                                                   QStringLiteral("(\\s|$)"),
                                               QRegularExpression::MultilineOption);
                EXPECT_TRUE(text.contains(entry)) << command.toStdString() << " has no entry";
            }
        }
        EXPECT_EQ(sorted(documented[0]), sorted(documented[1])) << "the two languages name different options";
    }
}
