// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/delimited_text.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(DelimitedText, SpreadsheetAndCsvForms) {
    using Rows = QList<QStringList>;
    struct Case { const char *what; QString text; QChar sep; Rows rows; };
    const Case cases[] = {
        {"tabs, CR LF, final break", QStringLiteral("a\tb\r\nc\td\r\n"), '\t', {{"a", "b"}, {"c", "d"}}},
        {"no final break", QStringLiteral("a\tb\nc"), '\t', {{"a", "b"}, {"c"}}},
        {"quoted cell with tab and break", QStringLiteral("\"x\ty\"\t\"1\n2\"\r\n"), '\t', {{"x\ty", "1\n2"}}},
        {"doubled quotes", QStringLiteral("\"say \"\"hi\"\"\",2\n"), ',', {{"say \"hi\"", "2"}}},
        {"empty fields", QStringLiteral(",,\n"), ',', {{"", "", ""}}},
        {"byte order mark", QStringLiteral("\uFEFFLocation,Name\r\n1,\r\n"), ',', {{"Location", "Name"}, {"1", ""}}},
        {"lone CR", QStringLiteral("a\rb\r"), ',', {{"a"}, {"b"}}},
        {"quote inside a field is text", QStringLiteral("12\"5,x\n"), ',', {{"12\"5", "x"}}},
        {"nothing", QString(), ',', {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseDelimited(c.text, c.sep), c.rows) << c.what;
}

TEST(DelimitedText, QuotedFieldsReadBack) {
    for (const QString &f : {QStringLiteral("plain"), QStringLiteral("a,b"), QStringLiteral("q\"q"), QStringLiteral("l\nl")}) {
        const QString line = quoteField(f, ',') + QStringLiteral(",end");
        EXPECT_EQ(parseDelimited(line, ','), (QList<QStringList>{{f, "end"}})) << f.toStdString();
    }
}
