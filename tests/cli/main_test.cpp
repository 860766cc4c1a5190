// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"
#include "cli/command_help.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace tolvin::test;

TEST(CliMainTest, HelpVersionAndUsageErrors) {
    if (cliPath().isEmpty())
        GTEST_SKIP() << "tolvin-cli is not built";
    struct Case { QStringList args; int code; const char *inOut; const char16_t *inErr; };
    const Case cases[] = {
        {{"--help"}, 0, "show", u""},
        {{"-h"}, 0, "show", u""},
        {{"--version"}, 0, "tolvin-cli " TOLVIN_VERSION, u""},
        {{}, 2, "", u"Не указана команда"},
        {{"bogus"}, 2, "", u"Неизвестная команда: bogus"},
        {{"show", "--help"}, 0, "tolvin-cli show", u""},
        {{"show"}, 2, "", u"Не указан файл"},
        {{"show", "a.ini", "b.ini"}, 2, "", u"Нужен ровно один файл"},
        {{"show", "--frobnicate", "a.ini"}, 2, "", u"Неизвестный параметр: --frobnicate"},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli(c.args);
        const std::string name = c.args.join(' ').toStdString();
        ASSERT_FALSE(r.crashed) << name;
        EXPECT_EQ(r.exitCode, c.code) << name;
        EXPECT_TRUE(r.out.contains(c.inOut)) << name << ": " << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.inErr))) << name << ": " << r.err.toStdString();
        if (c.code == 0) {
            EXPECT_TRUE(r.err.isEmpty()) << name;
        } else {
            EXPECT_TRUE(r.out.isEmpty()) << name;
        }
    }
}

namespace {

// The options a text names: "--port", "-o"; not the hyphen inside "tolvin-cli" or a number.
QStringList optionsIn(const QString &text) {
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[a-z][a-z-]*"));
    QStringList names;
    for (QRegularExpressionMatchIterator it = option.globalMatch(text); it.hasNext();)
        names << it.next().captured();
    names.removeDuplicates();
    return names;
}

} // namespace

// The help is read from the table the dispatcher is checked against when it compiles; here each
// command's own usage line, which its parser prints, is held to the examples, so an option
// a command learns is not left out of them.
TEST(CliMainTest, HelpGivesEveryCommandAndOptionAnExample) {
    if (cliPath().isEmpty())
        GTEST_SKIP() << "tolvin-cli is not built";
    const CliResult help = runCli({QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0);
    const QString text = QString::fromUtf8(help.out);

    for (const tolvin::cli::CommandHelp &c : tolvin::cli::kCommandHelp) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        EXPECT_TRUE(text.contains(QStringLiteral("\n  ") + QString::fromUtf16(c.synopsis) + QLatin1Char('\n')));
        const QStringList examples = QString::fromUtf16(c.examples).split(QLatin1Char('\n'));
        for (const QString &e : examples) {
            EXPECT_TRUE(e == QStringLiteral("tolvin-cli ") + name || e.startsWith(QStringLiteral("tolvin-cli ") + name + QLatin1Char(' ')))
                << e.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("    пример: ") + e + QLatin1Char('\n'))) << e.toStdString();
        }

        const CliResult own = runCli({name, QStringLiteral("--help")});
        ASSERT_EQ(own.exitCode, 0) << own.err.toStdString();
        const QString ownText = QString::fromUtf8(own.out);
        const QString usage = ownText.section(QLatin1Char('\n'), 0, 0);
        ASSERT_TRUE(usage.startsWith(QStringLiteral("Использование: tolvin-cli ") + name)) << usage.toStdString();
        const QStringList used = optionsIn(examples.join(QLatin1Char('\n')));
        for (const QString &option : optionsIn(usage))
            EXPECT_TRUE(used.contains(option)) << option.toStdString() << " has no example";
        for (const QString &option : used)
            EXPECT_TRUE(optionsIn(usage).contains(option)) << option.toStdString() << " is not the command's";
        for (const QString &e : examples)
            EXPECT_TRUE(ownText.contains(QStringLiteral("\n  ") + e + QLatin1Char('\n'))) << "own help lacks " << e.toStdString();
    }

    for (const tolvin::cli::GeneralOptionHelp &o : tolvin::cli::kGeneralOptionHelp) {
        SCOPED_TRACE(o.names);
        EXPECT_TRUE(text.contains(QStringLiteral("\n  ") + QString::fromLatin1(o.names) + QLatin1Char(' ')));
        const QStringList examples = QString::fromUtf16(o.examples).split(QLatin1Char('\n'));
        for (const QString &e : examples) {
            EXPECT_TRUE(text.contains(QStringLiteral("    пример: ") + e + QLatin1Char('\n'))) << e.toStdString();
            const QStringList args = e.split(QLatin1Char(' ')).mid(1);
            const CliResult r = runCli(args);
            EXPECT_EQ(r.exitCode, 0) << e.toStdString();
            EXPECT_FALSE(r.out.isEmpty()) << e.toStdString();
        }
        const QStringList used = optionsIn(examples.join(QLatin1Char('\n')));
        for (const QString &option : optionsIn(QString::fromLatin1(o.names)))
            EXPECT_TRUE(used.contains(option)) << option.toStdString() << " has no example";
    }
}
