// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A series of stations through one port or several: on each port a conveyor waits for a station
// (a type query every half second, nothing else sent), writes the one that answers with its own
// image (its own Id) and its safeguards, then waits until it is taken away (two queries
// unanswered) and goes on with the next. What each station gets, and whether it gets anything,
// is the caller's to say; the conveyor only runs the line.
#include "station_link/fleet_write.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

namespace tolvin {

// "Id_номер" is four characters of sixteen, the image's digits: 0-9, A-D, '#', '*'. A plan steps
// through them as the station counts them: "0009" + 1 is "000A", "000*" + 1 is "0010".
std::optional<int> idValue(const QString &id);  // nothing for another length or character
QString idText(int value);                       // 0..0xFFFF
QString idPlanText(const QString &start, int step);  // what a series remembers of its plan

// Why a station that answers after the series has all it wanted is passed over.
QString seriesCompleteText();

struct ConveyorStation {
    enum class End { Written, Failed, WrongBand, PassedOver, Stopped };
    QString device;
    QString serial;       // empty until the backup read found it
    QString id;           // empty until one was chosen
    End end = End::Failed;
    SafeWriteResult write;
    QDateTime finished;   // local time
    std::chrono::milliseconds duration{};
};

struct ConveyorHooks {
    // The image for the station with this serial number on `device`, and its Id; nothing (with
    // `why`) leaves the station as it is. Called on the port's thread, after the type check.
    std::function<std::optional<StreamImage>(const QString &device, const QString &serial, QString &id, QString &why)>
        imageFor;
    // Each station's end, on its port's thread.
    std::function<void(const ConveyorStation &)> done;
    // What a port is doing, for a line of status: waiting, a station found, take it away.
    std::function<void(const QString &device, const QString &text)> said;
};

struct ConveyorSettings {
    WriteSafeguards safeguards;       // imageForStation is the conveyor's own
    int stations = 0;                 // written or failed, over all ports; 0: until stopped
    std::chrono::milliseconds poll{500};
    int goneAfter = 2;                // queries unanswered in a row
};

// Runs a conveyor on every device until `stations` have been written (or have failed) or `stop`
// is set; `stop` ends a station in the middle, as it ends a write. Returns when every port is done.
void runConveyors(const QStringList &devices, const StreamImage &base, const ConveyorSettings &settings,
                  const ConveyorHooks &hooks, StopFlag stop, const PortFactory &ports = devicePorts(),
                  const FleetObserverFactory &observers = nullptr);

} // namespace tolvin
