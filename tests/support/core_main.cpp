// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/postgres_server.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--postgres-fixture") == 0)
        return tolvin::test::PostgresServer::fixture(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    // No test reads or writes the user's own configuration, data or cache: they live in this run's folder.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
