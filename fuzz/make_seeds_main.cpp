// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-fuzz-seeds DIR: writes the seeds of every fuzz target into DIR/<target>/.
#include "seeds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvin-fuzz-seeds DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const std::string &target : tolvin::fuzz::targetNames()) {
        const QString dir = root + QLatin1Char('/') + QString::fromStdString(target);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
            return 1;
        }
        for (const tolvin::fuzz::Seed &s : tolvin::fuzz::seedsFor(target)) {
            QFile f(dir + QLatin1Char('/') + s.name);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(s.bytes) != s.bytes.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
                return 1;
            }
        }
    }
    return 0;
}
