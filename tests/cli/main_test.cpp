#include "cli/cli_run.h"

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
