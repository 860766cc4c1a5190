// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stations a workshop bench puts on one line one after another (tolvin-sim --stations): each
// comes from the factory with the next serial number, or from its own file under --memory-dir,
// and is taken away once written. When that happens is the line's business (PtyStation); this
// is who is on it.
#include "sim/sim_options.h"
#include "sim/station_model.h"

#include <memory>

namespace tolvin::sim {

class StationSeries {
public:
    // Puts the first station on the line. Throws AppError for a memory file that cannot be read
    // or written, a file of a later station among them: a resumed series learns of a damaged
    // file before its first station, not after a morning's work.
    explicit StationSeries(const Options &options);

    // The station on the line, or nullptr between two stations and after the last.
    StationModel *station() { return m_station.get(); }
    // Whether a written station goes: a single station stays on the line for good.
    bool swaps() const { return m_options.stations > 1; }

    // Takes the station off the line; returns whether another one is to come.
    bool unplug();
    // Puts the next station on the line. A memory file that fails it now leaves the line silent.
    void plugNext();
    // Keeps what the station on the line holds in its file, if it has one.
    void keepMemory();

private:
    QString memoryPath(int place) const;
    void plug(int place);

    const Options &m_options;
    std::unique_ptr<StationModel> m_station;
    int m_place = 0;  // of the station on the line, or of the last one that was
};

} // namespace tolvin::sim
