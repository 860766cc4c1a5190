// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file/ini_document.h"

#include "common/cp1251.h"
#include "common/errors.h"

#include <gtest/gtest.h>

using namespace tolvin;

namespace {

const QStringList kSample{
    QStringLiteral("; written by hand"),
    QStringLiteral("orphan=before any section"),
    QStringLiteral("[Общие установки]"),
    QStringLiteral("  Серийный номер = 123456  "),
    QStringLiteral("Пусто="),
    QStringLiteral("Тип=0x3"),
    QStringLiteral("no equals sign here"),
    QStringLiteral(";Закрыто=1"),
    QStringLiteral("Дубль=первый"),
    QStringLiteral("дубль=второй"),
    QStringLiteral(""),
    QStringLiteral("[Empty]"),
    QStringLiteral("just text"),
    QStringLiteral("[ 1 ]"),
    QStringLiteral("Rx = 140006,25"),
    QStringLiteral("[общие УСТАНОВКИ]"),
    QStringLiteral("Скрыто=1"),
};

struct ReadCase {
    const char16_t *section;
    const char16_t *key;
    std::optional<const char16_t *> expected;
};

} // namespace

TEST(IniDocumentTest, LookupRules) {
    const IniDocument doc = IniDocument::fromLines(kSample);
    const ReadCase cases[] = {
        {u"Общие установки", u"Серийный номер", u"123456"},   // blanks around name and value
        {u"ОБЩИЕ УСТАНОВКИ", u"серийный НОМЕР", u"123456"},   // Cyrillic in another case
        {u"  Общие установки ", u" Серийный номер", u"123456"},
        {u"Общие установки", u"Пусто", u""},                  // empty value is not missing
        {u"Общие установки", u"Нет такого", std::nullopt},
        {u"Общие установки", u";Закрыто", std::nullopt},       // comment
        {u"Общие установки", u"no equals sign here", std::nullopt},
        {u"Общие установки", u"Дубль", u"первый"},            // first key wins
        {u"Общие установки", u"Скрыто", std::nullopt},        // later duplicate section unseen
        {u"1", u"RX", u"140006,25"},
        {u"", u"orphan", std::nullopt},
        {u"Нет раздела", u"Rx", std::nullopt},
    };
    for (const auto &c : cases) {
        const auto got = doc.value(QString::fromUtf16(c.section), QString::fromUtf16(c.key));
        SCOPED_TRACE(QString::fromUtf16(c.key).toStdString());
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        // A whole-section read finds the same.
        const QString section = QString::fromUtf16(c.section), key = QString::fromUtf16(c.key);
        EXPECT_EQ(doc.readTexts(section, {IniDocument::foldName(key), QStringLiteral("?")}, {u"d"_qs, u"e"_qs}),
                  (QStringList{doc.readText(section, key, u"d"_qs), u"e"_qs}));
        if (got) {
            EXPECT_EQ(*got, QString::fromUtf16(*c.expected));
        }
    }
    EXPECT_EQ(doc.readText(QStringLiteral("Общие установки"), QStringLiteral("Пусто"), QStringLiteral("d")),
              QString());
    EXPECT_EQ(doc.readText(QStringLiteral("Общие установки"), QStringLiteral("Нету"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(IniDocumentTest, HasSection) {
    const IniDocument doc = IniDocument::fromLines(kSample);
    EXPECT_TRUE(doc.hasSection(QStringLiteral("общие установки")));
    EXPECT_TRUE(doc.hasSection(QStringLiteral("1")));
    EXPECT_FALSE(doc.hasSection(QStringLiteral("Empty"))); // only a line without '='
    EXPECT_FALSE(doc.hasSection(QStringLiteral("2")));
    EXPECT_FALSE(IniDocument().hasSection(QStringLiteral("1")));
}

TEST(IniDocumentTest, WritesPlaceLines) {
    struct Case {
        const char *name;
        QStringList before;
        const char16_t *section;
        const char16_t *key;
        const char16_t *value;
        QStringList after;
    };
    const Case cases[] = {
        {"replace in place keeps spelling and position",
         {u"[A]"_qs, u" Ключ = 1"_qs, u"b=2"_qs}, u"a", u"КЛЮЧ", u"9",
         {u"[A]"_qs, u"Ключ=9"_qs, u"b=2"_qs}},
        {"new key after the last entry of its section",
         {u"[A]"_qs, u"a=1"_qs, u"text"_qs, u""_qs, u"[B]"_qs, u"b=2"_qs}, u"A", u"c", u"3",
         {u"[A]"_qs, u"a=1"_qs, u"c=3"_qs, u"text"_qs, u""_qs, u"[B]"_qs, u"b=2"_qs}},
        {"new key under a header without entries",
         {u"[A]"_qs, u"[B]"_qs, u"b=2"_qs}, u"a", u"k", u"v",
         {u"[A]"_qs, u"k=v"_qs, u"[B]"_qs, u"b=2"_qs}},
        {"new section at the end",
         {u"[A]"_qs, u"a=1"_qs}, u"1", u"Номер", u"",
         {u"[A]"_qs, u"a=1"_qs, u"[1]"_qs, u"Номер="_qs}},
        {"lines before any header are no section",
         {u"Тип=5"_qs}, u"Общие установки", u"Тип", u"1",
         {u"Тип=5"_qs, u"[Общие установки]"_qs, u"Тип=1"_qs}},
        {"first of duplicate keys is replaced",
         {u"[A]"_qs, u"k=1"_qs, u"K=2"_qs}, u"A", u"k", u"3",
         {u"[A]"_qs, u"k=3"_qs, u"K=2"_qs}},
    };
    for (const auto &c : cases) {
        IniDocument doc = IniDocument::fromLines(c.before);
        doc.writeText(QString::fromUtf16(c.section), QString::fromUtf16(c.key), QString::fromUtf16(c.value));
        EXPECT_EQ(doc.lines(), c.after) << c.name;
        // The index stays right after the edit: a fresh parse agrees with it.
        const IniDocument reparsed = IniDocument::fromLines(doc.lines());
        EXPECT_EQ(doc.value(QString::fromUtf16(c.section), QString::fromUtf16(c.key)),
                  reparsed.value(QString::fromUtf16(c.section), QString::fromUtf16(c.key)))
            << c.name;
        EXPECT_EQ(doc.value(QString::fromUtf16(c.section), QString::fromUtf16(c.key)),
                  std::optional<QString>(QString::fromUtf16(c.value)))
            << c.name;
    }
}

TEST(IniDocumentTest, ManySectionsStayIndexedWhileAppending) {
    IniDocument doc;
    for (int r = 1; r <= 120; ++r)
        for (int k = 0; k < 18; ++k)
            doc.writeText(QString::number(r), QStringLiteral("k%1").arg(k), QStringLiteral("%1/%2").arg(r).arg(k));
    doc.writeNumber(QStringLiteral("1"), QStringLiteral("extra"), -3); // insertion in the middle
    EXPECT_EQ(doc.lines().size(), 120 * 19 + 1);
    EXPECT_EQ(doc.lines().at(19), QStringLiteral("extra=-3"));
    EXPECT_EQ(doc.readText(QStringLiteral("120"), QStringLiteral("K17"), {}), QStringLiteral("120/17"));
    EXPECT_EQ(doc.readNumber(QStringLiteral("1"), QStringLiteral("extra"), 0), -3);
    EXPECT_EQ(doc.lines(), IniDocument::fromLines(doc.lines()).lines());
}

TEST(IniDocumentTest, BytesRoundTrip) {
    const QByteArray crlf = toCp1251(QStringLiteral("[Общие установки]\r\nТип=4\r\n\r\n[1]\r\nRx=140000\r\n"));
    const QByteArray lf = toCp1251(QStringLiteral("[Общие установки]\nТип=4\n\n[1]\nRx=140000"));
    for (const QByteArray &in : {crlf, lf}) {
        const IniDocument doc = IniDocument::fromBytes(in);
        EXPECT_EQ(doc.lines().size(), 5);
        EXPECT_EQ(doc.readNumber(QStringLiteral("общие установки"), QStringLiteral("тип"), 0), 4);
        EXPECT_EQ(doc.readText(QStringLiteral("1"), QStringLiteral("rx"), {}), QStringLiteral("140000"));
        EXPECT_EQ(doc.toBytes(), crlf);
    }
    EXPECT_TRUE(IniDocument::fromBytes({}).lines().isEmpty());
    EXPECT_TRUE(IniDocument().toBytes().isEmpty());
}

TEST(IniDocumentTest, LinesWithBreaksSplitAsTheFileWouldRead) {
    const IniDocument doc = IniDocument::fromLines({QStringLiteral("[A]\r\na=1"), QStringLiteral("b=2\r")});
    EXPECT_EQ(doc.lines(), IniDocument::fromBytes(doc.toBytes()).lines());
    EXPECT_EQ(doc.readText(QStringLiteral("A"), QStringLiteral("a"), {}), QStringLiteral("1"));
}

TEST(IniDocumentTest, RefusesTextsThatWouldBreakTheLayout) {
    struct Case { const char16_t *section, *key, *value; };
    const Case cases[] = {
        {u"A]", u"k", u"v"}, {u"", u"k", u"v"}, {u"A\nB", u"k", u"v"}, {u"A", u"k=x", u"v"},
        {u"A", u"", u"v"}, {u"A", u";k", u"v"}, {u"A", u"[k", u"v"}, {u"A", u"k", u"a\r\nb"},
    };
    for (const auto &c : cases) {
        IniDocument doc = IniDocument::fromLines({QStringLiteral("[A]"), QStringLiteral("k=1")});
        EXPECT_THROW(doc.writeText(QString::fromUtf16(c.section), QString::fromUtf16(c.key),
                                   QString::fromUtf16(c.value)),
                     AppError);
        EXPECT_EQ(doc.lines().size(), 2);
    }
}

TEST(IniDocumentTest, LineEndsAloneOrMixed) {
    // Every file below holds the same three entries; how their lines end must not matter.
    struct Case { const char *name; QByteArray bytes; int lines; };
    const Case cases[] = {
        {"CR LF", "[A]\r\nb=3\r\nc=4\r\n", 3},
        {"LF", "[A]\nb=3\nc=4\n", 3},
        {"CR", "[A]\rb=3\rc=4\r", 3},
        {"CR CR LF: an empty line after each", "[A]\r\r\nb=3\r\r\nc=4\r\r\n", 6},
        {"mixed, no final end", "[A]\r\nb=3\rc=4", 3},
        {"LF CR: two ends", "[A]\n\rb=3\n\rc=4", 5},
    };
    for (const Case &c : cases) {
        const IniDocument doc = IniDocument::fromBytes(c.bytes);
        EXPECT_EQ(doc.lines().size(), c.lines) << c.name;
        EXPECT_EQ(doc.readText(QStringLiteral("A"), QStringLiteral("b"), {}), QStringLiteral("3")) << c.name;
        EXPECT_EQ(doc.readNumber(QStringLiteral("A"), QStringLiteral("c"), 0), 4) << c.name;
        for (const QString &l : doc.lines())
            EXPECT_FALSE(l.contains(QLatin1Char('\r')) || l.contains(QLatin1Char('\n'))) << c.name;
        // What was read can be written again.
        IniDocument again = doc;
        EXPECT_NO_THROW(again.writeText(QStringLiteral("A"), QStringLiteral("c"), QStringLiteral("5"))) << c.name;
        EXPECT_EQ(again.byteSize(), again.toBytes().size()) << c.name;
    }
}

TEST(IniDocumentTest, RefusalsQuoteWhatWasRefused) {
    IniDocument doc;
    try {
        doc.writeText(QStringLiteral("2"), QStringLiteral("Rx"), QStringLiteral("140000\r\n[3]") + QString(5000, u'x'));
        ADD_FAILURE();
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("Значение ключа \"Rx\" в разделе [2] содержит перевод строки: \"140000\\r\\n[3]xxx")))
            << e.message().toStdString();
        EXPECT_LT(e.message().size(), 140);
    }
}
