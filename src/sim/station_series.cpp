// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/station_series.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "image/image_fields.h"
#include "sim/station_memory.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tolvin::sim {

namespace {

void say(const QString &text) {
    std::fprintf(stderr, "tolvin-sim: %s\n", text.toLocal8Bit().constData());
}

QString serialOf(const StationModel &station) {
    const auto &h = station.memory().image.header;
    return serialText(h[HeaderByte::Serial], h[HeaderByte::Serial + 1], h[HeaderByte::Serial + 2]);
}

} // namespace

StationSeries::StationSeries(const Options &options) : m_options(options) {
    if (!options.memoryDir.isEmpty()) {
        if (!QDir().mkpath(options.memoryDir))
            throw IoError(QStringLiteral("Не удалось создать папку памяти станций %1").arg(options.memoryDir));
        for (int place = 0; place < options.stations; ++place)
            if (const QString path = memoryPath(place); QFileInfo::exists(path))
                parseStationMemory(readFileBytes(path), path);
    }
    plug(0);
}

QString StationSeries::memoryPath(int place) const {
    if (!m_options.memoryPath.isEmpty())
        return m_options.memoryPath;
    if (m_options.memoryDir.isEmpty())
        return {};
    const auto serial = factorySerial(place);
    return QDir(m_options.memoryDir).filePath(serialText(serial[0], serial[1], serial[2]) + QStringLiteral(".json"));
}

void StationSeries::plug(int place) {
    const QString path = memoryPath(place);
    const StreamImage memory =
        path.isEmpty() ? defaultStationMemory(m_options.type, place) : loadOrCreateStationMemory(path, m_options.type, place);
    m_station = std::make_unique<StationModel>(memory, m_options.type);
    if (m_options.corruptByte)
        m_station->setCorruptByte(int(std::min<qint64>(*m_options.corruptByte, std::numeric_limits<int>::max())));
    m_station->setStoreEachByte(m_options.storeEachByte);
    m_place = place;
}

bool StationSeries::unplug() {
    if (!m_station)
        return false;
    say(QStringLiteral("станция %1 отключена").arg(serialOf(*m_station)));
    m_station.reset();
    const bool more = m_place + 1 < m_options.stations;
    if (!more)
        say(QStringLiteral("станций в серии больше нет, линия молчит"));
    return more;
}

void StationSeries::plugNext() {
    try {
        plug(m_place + 1);
        say(QStringLiteral("подключена станция %1").arg(serialOf(*m_station)));
    } catch (const AppError &e) {
        say(e.message() + QStringLiteral("; линия молчит"));
    }
}

void StationSeries::keepMemory() {
    const QString path = memoryPath(m_place);
    if (!m_station || path.isEmpty())
        return;
    try {
        saveStationMemory(path, m_station->memory());
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
    }
}

} // namespace tolvin::sim
