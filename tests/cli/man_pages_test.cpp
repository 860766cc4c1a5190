// SPDX-License-Identifier: GPL-3.0-or-later
// The manual pages under docs/man: each renders without a warning, and the English and Russian
// page of a program document the same options, all of them ones the program has, and every
// command and option it has. They and the package's texts name the models of the model table.
#include "cli/command_help.h"
#include "sim/sim_options.h"
#include "table/bands.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>

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

// The page as a reader sees its words: fonts gone, quotes and dashes as they print.
QString plainText(const QString &path) {
    static const QRegularExpression font(QStringLiteral("\\\\f[RBIP]"));
    return pageText(path)
        .remove(font)
        .replace(QStringLiteral("\\(lq"), QStringLiteral("“"))
        .replace(QStringLiteral("\\(rq"), QStringLiteral("”"))
        .replace(QStringLiteral("\\(em"), QStringLiteral("—"))
        .replace(QStringLiteral("\\~"), QStringLiteral(" "));
}

// Each match of `pattern` in `text`, its captures joined by ' '.
QStringList matches(const QString &text, const QString &pattern) {
    QStringList found;
    for (QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QStringList captures = m.capturedTexts().mid(1);
        captures.removeAll(QString());
        found << captures.join(QLatin1Char(' '));
    }
    return found;
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
        // udevadm's, in how to put the example udev rules in place.
        {QStringLiteral("tolvin-cli.1"), commands, cliOptions(), {QStringLiteral("--reload")}},
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
            // groff passes a stray control character (a font escape that lost its backslash)
            // through without a word, and the reader sees "IfileP".
            QFile source(page);
            ASSERT_TRUE(source.open(QIODevice::ReadOnly));
            for (const char c : source.readAll())
                EXPECT_FALSE(c >= 0 && c < ' ' && c != '\n') << page.toStdString() << ": control character " << int(c);
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

// A model added to the table is missing from no list a reader meets: the values of --model, the
// models section, the band menu, and the type codes of the simulator's help and page.
TEST(ManPages, ModelListsFollowTheModelTable) {
    QStringList entries, codes;
    QMap<int, QString> menu;  // by place in the menu
    for (const tolvin::StationModelRow &m : tolvin::StationModels) {
        const QString number = QString::number(m.modelNumber), caption = QString::fromUtf16(m.caption);
        QString code = QString::number(m.typeCode);
        if (m.otherTypeCode != tolvin::StationModelRow::NoOtherCode)
            code += QLatin1Char(' ') + QString::number(m.otherTypeCode);
        entries << number + QLatin1Char(' ') + caption + QLatin1Char(' ') + code;
        codes << code + QLatin1Char(' ') + number;
        menu[m.menuItem] = caption + QStringLiteral(" 7К-") + number;
    }
    codes.sort();
    // "0 is a 7К-62, 1 and 2 a 7К-61", "0 — 7К-62, 1 и 2 — 7К-61".
    const auto codesIn = [](const QString &text) {
        QStringList found = matches(text, QStringLiteral("(\\d+)(?: (?:and|и) (\\d+))? (?:is a|a|—) 7К-(\\d+)"));
        found.sort();
        return found;
    };
    const auto type = std::find_if(std::begin(tolvin::sim::kOptions), std::end(tolvin::sim::kOptions),
                                   [](const tolvin::sim::OptionEntry &e) { return e.id == tolvin::sim::OptionId::Type; });
    EXPECT_EQ(codesIn(QString::fromUtf16(type->text).replace(QLatin1Char('\n'), QLatin1Char(' '))), codes) << "tolvin-sim --help";
    for (const QString &language : Languages) {
        SCOPED_TRACE(language.toStdString());
        const QString dir = ManDir + QLatin1Char('/') + language + QLatin1Char('/');
        const QString cli = plainText(dir + QStringLiteral("tolvin-cli.1"));
        const QStringList choices = matches(cli, QStringLiteral("--model \"? *(\\{[^}]*\\})"));
        EXPECT_EQ(choices, QStringList(choices.size(), QString::fromUtf16(tolvin::cli::ModelChoice.text))) << "--model";
        EXPECT_FALSE(choices.isEmpty());
        // ".B 61" and under it "“33-48,5 МГц”, Толвин 7К-61; type code 1 or 2."
        EXPECT_EQ(matches(cli, QStringLiteral("\n\\.B (\\d+)\n[“«]([^”»]*)[”»], Толвин 7К-\\1; (?:type code|код типа) "
                                              "(\\d+)(?: (?:or|или) (\\d+))?\\.")),
                  entries)
            << "tolvin-cli.1: the models section";
        EXPECT_EQ(codesIn(plainText(dir + QStringLiteral("tolvin-sim.1"))), codes) << "tolvin-sim.1: --type";
        EXPECT_EQ(matches(plainText(dir + QStringLiteral("tolvin.1")), QStringLiteral("([\\d,-]+ М[Гг]ц)[”»] \\((7К-\\d+)\\)")),
                  menu.values())
            << "tolvin.1: the band menu";
    }
}

// The desktop entry, the AppStream text, the package's description, the manual pages and the
// README call the family by its first and last model, as "О программе" does.
TEST(ManPages, EveryTextNamesTheFamilyAsTheModelTable) {
    const QString range = tolvin::modelFamily().section(QStringLiteral("7К-"), 1);
    QStringList texts{QStringLiteral("packaging/tolvin.desktop"), QStringLiteral("packaging/ru.tolvin.programmer.metainfo.xml.in"),
                      QStringLiteral("CMakeLists.txt"), QStringLiteral("README.md")};
    for (const QString &language : Languages)
        for (const char *page : {"tolvin.1", "tolvin-cli.1", "tolvin-sim.1"})
            texts << QStringLiteral("docs/man/%1/%2").arg(language, QLatin1String(page));
    for (const QString &path : texts) {
        const QStringList named = matches(pageText(QStringLiteral(TOLVIN_SOURCE_DIR "/") + path), QStringLiteral("7[КK]-(\\d+\\.\\.\\d+)"));
        EXPECT_EQ(named, QStringList(named.size(), range)) << path.toStdString();
        EXPECT_FALSE(named.isEmpty()) << path.toStdString();
    }
}
