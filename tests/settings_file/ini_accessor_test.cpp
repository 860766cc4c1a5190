// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file/ini_accessor.h"

#include "common/cp1251.h"
#include "common/errors.h"
#include "common/file_io.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;

namespace {

void putFile(const QString &path, const QString &text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(toCp1251(text));
}

QString fileText(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? fromCp1251(f.readAll()) : QString();
}

class IniAccessorTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("a.ini"));
};

} // namespace

TEST_F(IniAccessorTest, ReadsTheRulesFromDisk) {
    // LF-only lines, blanks, letter case, empty values, hex and stray characters.
    putFile(path, QStringLiteral("[Общие установки]\n Тип = 0x3 \nТипВУ=$4\nA=3,\nB=3x\nC=260\n"
                                 "Пусто=\nD=0X1f\nE=x10\nF=-2147483648\nG=2147483648\nH=0x\nI=1 2\n"
                                 "[Пустой]\n[1]\nrx=140000\n"));
    IniAccessor ini(path);
    const QString g = QStringLiteral("общие УСТАНОВКИ");
    struct Case { const char16_t *key; int32_t expected; };
    for (const Case &c : {Case{u"тип", 3}, Case{u"ТИПВУ", 4}, Case{u"A", -1}, Case{u"B", -1},
                          Case{u"C", 260}, Case{u"Пусто", -1}, Case{u"Нет", -1}, Case{u"D", 31},
                          Case{u"E", 16}, Case{u"F", INT32_MIN}, Case{u"G", -1}, Case{u"H", -1},
                          Case{u"I", -1}})
        EXPECT_EQ(ini.ReadNumber(g, QString::fromUtf16(c.key), -1), c.expected)
            << QString::fromUtf16(c.key).toStdString();
    EXPECT_EQ(ini.ReadText(g, QStringLiteral("пусто"), QStringLiteral("d")), QString());
    EXPECT_EQ(ini.ReadText(g, QStringLiteral("Нет"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadText(QStringLiteral(" 1 "), QStringLiteral("RX"), {}), QStringLiteral("140000"));
    EXPECT_TRUE(ini.HasSection(QStringLiteral("1")));
    EXPECT_FALSE(ini.HasSection(QStringLiteral("Пустой")));
    EXPECT_FALSE(ini.HasSection(QStringLiteral("2")));
}

TEST_F(IniAccessorTest, MissingOrUnreadableFileGivesDefaults) {
    for (const QString &p : {path, dir.path(), QStringLiteral("/nonexistent/x.ini"), QString()}) {
        IniAccessor ini(p);
        EXPECT_EQ(ini.ReadText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("d")), QStringLiteral("d"));
        EXPECT_EQ(ini.ReadNumber(QStringLiteral("S"), QStringLiteral("k"), 2), 2);
        EXPECT_FALSE(ini.HasSection(QStringLiteral("S")));
    }
}

TEST_F(IniAccessorTest, WritesPlaceKeysAndCreateTheFile) {
    IniAccessor ini(path);
    ini.WriteText(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));   // creates the file
    ini.WriteText(QStringLiteral("B"), QStringLiteral("x"), QStringLiteral("2"));   // new section at end
    ini.WriteText(QStringLiteral("a"), QStringLiteral("n"), QStringLiteral("3"));   // end of its section
    ini.WriteNumber(QStringLiteral("A"), QStringLiteral("K"), -7);                  // in place
    ini.Flush();
    EXPECT_EQ(fileText(path), QStringLiteral("[A]\r\nk=-7\r\nn=3\r\n[B]\r\nx=2\r\n"));
}

namespace {

// A file system whose clock ticks coarsely (whole seconds on some, two on FAT): every change
// made during the test falls within one tick, so a rewrite of the same size leaves the stamp as
// it was and only the bytes tell.
qint64 tickStartNs = 0;
IniAccessor::Stamp oneTickStamp(const QString &path) {
    IniAccessor::Stamp s = IniAccessor::fileStamp(path);
    if (s.exists)
        s.mtimeNs = s.ctimeNs = tickStartNs;
    return s;
}

// Writes in place, as an editor that keeps the file's inode does.
void rewriteInPlace(const QString &path, const QString &text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(toCp1251(text));
    f.resize(f.pos());
}

} // namespace

TEST_F(IniAccessorTest, SeesOutsideWritesAtTheNextOperation) {
    struct Case { const char *name; IniAccessor::StampReader stamp; };
    for (const Case &c : {Case{"nanosecond stamps", IniAccessor::fileStamp}, Case{"one clock tick", oneTickStamp}}) {
        QFile::remove(path);
        tickStartNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
        putFile(path, QStringLiteral("[S]\nk=1\n"));
        IniAccessor ini(path, c.stamp);
        EXPECT_EQ(ini.ReadText(QStringLiteral("S"), QStringLiteral("k"), {}), QStringLiteral("1")) << c.name;
        // Same size, same inode, within the same clock tick.
        const IniAccessor::Stamp before = c.stamp(path);
        rewriteInPlace(path, QStringLiteral("[S]\nk=2\n"));
        if (c.stamp == oneTickStamp) {
            EXPECT_EQ(c.stamp(path), before) << "only the bytes can tell";
        }
        EXPECT_EQ(ini.ReadText(QStringLiteral("S"), QStringLiteral("k"), {}), QStringLiteral("2")) << c.name;

        ini.WriteText(QStringLiteral("S"), QStringLiteral("m"), QStringLiteral("3"));
        putFile(path, fileText(path) + QStringLiteral("[T]\r\nz=4\r\n"));
        EXPECT_TRUE(ini.HasSection(QStringLiteral("T"))) << c.name;
        ini.WriteText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("5")); // keeps [T]
        EXPECT_EQ(fileText(path), QStringLiteral("[S]\r\nk=5\r\nm=3\r\n[T]\r\nz=4\r\n")) << c.name;

        QFile::remove(path);
        EXPECT_EQ(ini.ReadText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("gone")), QStringLiteral("gone")) << c.name;
    }
}

TEST_F(IniAccessorTest, RefusedWriteNamesThePathAndWhy) {
    // A file too large to read must not be replaced by the one key written.
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    const qint64 bigSize = MaxInputFileBytes + 1;
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[S]\r\nk=1\r\n");
        ASSERT_TRUE(f.resize(bigSize));
    }
    const QString unread = QStringLiteral(": его прежнее содержимое не удалось прочитать");
    const std::pair<QString, QString> cases[] = {
        {dir.filePath(QStringLiteral("no/such/folder.ini")), QStringLiteral(": файл или папка не найдены")},
        {dir.path(), unread},
        {big, unread},
    };
    for (const auto &[p, why] : cases) {
        IniAccessor ini(p);
        try {
            ini.WriteText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
            ADD_FAILURE() << "no error for " << p.toStdString();
        } catch (const IoError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Не удалось записать файл ") + p + why);
        }
    }
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    EXPECT_EQ(QFileInfo(big).size(), bigSize);
}
