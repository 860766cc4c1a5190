// SPDX-License-Identifier: GPL-3.0-or-later
// Every fuzz target on its seeds, on cut and bent copies of them, and on every input a fuzzer
// ever found (kept in tests/fuzz/<target>/): what once broke a promise must keep it now.
#include "fuzz_target.h"
#include "seeds.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace tolvin::fuzz;

namespace {

// Empty when the target kept its promises on the input, else what it broke.
std::string run(TargetFn fn, const QByteArray &input) {
    try {
        fn(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
        return {};
    } catch (const std::exception &e) {
        return e.what();
    }
}

// Copies a fuzzer tries first: the seed cut short, and with one byte turned over.
QList<QByteArray> variants(const QByteArray &seed) {
    QList<QByteArray> out{seed};
    for (qsizetype cut : {seed.size() / 4, seed.size() / 2, seed.size() - 1})
        if (cut > 0)
            out << seed.left(cut);
    for (qsizetype at : {qsizetype(0), seed.size() / 3, seed.size() - 1})
        if (at >= 0 && at < seed.size()) {
            QByteArray b = seed;
            b[at] = char(~uint8_t(b[at]));
            out << b;
        }
    return out;
}

} // namespace

TEST(FuzzReplay, EveryTargetIsBuiltIn) {
    for (const std::string &name : targetNames())
        EXPECT_TRUE(targets().count(name)) << name;
    EXPECT_EQ(targets().size(), targetNames().size());
}

TEST(FuzzReplay, SeedsAndTheirVariants) {
    for (const std::string &name : targetNames()) {
        const TargetFn fn = targets().at(name);
        const std::vector<Seed> seeds = seedsFor(name);
        EXPECT_FALSE(seeds.empty()) << name;
        for (const Seed &s : seeds)
            for (const QByteArray &input : variants(s.bytes))
                EXPECT_EQ(run(fn, input), "") << name << " on " << s.name.toStdString() << " (" << input.size() << " bytes)";
        EXPECT_EQ(run(fn, QByteArray()), "") << name << " on no input";
    }
}

TEST(FuzzReplay, InputsFuzzersFound) {
    const QDir root(QStringLiteral(TOLVIN_FUZZ_FOUND_DIR));
    int replayed = 0;
    for (const QString &target : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const auto it = targets().find(target.toStdString());
        ASSERT_NE(it, targets().end()) << "tests/fuzz/" << target.toStdString() << " names no fuzz target";
        const QDir dir(root.filePath(target));
        for (const QString &file : dir.entryList(QDir::Files)) {
            QFile f(dir.filePath(file));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
            EXPECT_EQ(run(it->second, f.readAll()), "") << target.toStdString() << "/" << file.toStdString();
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}
