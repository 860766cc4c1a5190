// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A station for an exchange test, given tolvin-sim's options. Where the in-process station port
// can play them (the memory, the type, silence, stopping, hanging up) it runs in the test's own
// process with no terminal and no waiting; the line's own faults (garbling, flooding, timing) get a
// real tolvin-sim on a pseudo-terminal.
#include "sim/station_memory.h"
#include "sim/station_port.h"
#include "station_link/posix_serial_port.h"
#include "support/sim_process.h"

#include <memory>

namespace tolvin::test {

class TestStation {
public:
    explicit TestStation(const QStringList &args) {
        StationPort::Faults faults;
        uint8_t type = 0;
        QString memory;
        bool inProcess = true;
        bool storeEachByte = false;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString &a = args.at(i);
            const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
            if (a == QLatin1String("--log")) {
                continue;
            } else if (a == QLatin1String("--store-each-byte")) {
                storeEachByte = true;
            } else if (a == QLatin1String("--silent")) {
                faults.silent = true;
            } else if (a == QLatin1String("--stop-after")) {
                faults.stopAfter = value.toLongLong(), ++i;
            } else if (a == QLatin1String("--hang-up-after")) {
                faults.hangUpAfter = value.toLongLong(), ++i;
            } else if (a == QLatin1String("--type")) {
                type = uint8_t(value.toInt()), ++i;
            } else if (a == QLatin1String("--memory")) {
                memory = value, ++i;
            } else {
                inProcess = false;
            }
        }
        if (!inProcess) {
            m_sim = std::make_unique<SimProcess>(args.contains(QStringLiteral("--log")) ? args
                                                                                        : args + QStringList{"--log"});
            path = m_sim->path;
            return;
        }
        m_model = std::make_unique<StationModel>(
            memory.isEmpty() ? defaultStationMemory(type) : loadOrCreateStationMemory(memory, type), type);
        m_model->setStoreEachByte(storeEachByte);
        m_fake = std::make_unique<StationPort>(*m_model, faults);
        path = QStringLiteral("/dev/station-in-process");
    }

    // The port an exchange runs over: the host's side of the station.
    SerialPort &port() { return m_fake ? static_cast<SerialPort &>(*m_fake) : m_real; }
    // Every byte the station took, in order.
    QByteArray received() { return m_fake ? m_fake->received() : m_sim->received(); }
    bool inProcess() const { return m_fake != nullptr; }
    // What the in-process station's memory holds now.
    const StreamImage &memory() const { return m_model->memory(); }

    QString path;

private:
    std::unique_ptr<SimProcess> m_sim;
    PosixSerialPort m_real;
    std::unique_ptr<StationModel> m_model;
    std::unique_ptr<StationPort> m_fake;
};

} // namespace tolvin::test
