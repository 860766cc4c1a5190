// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The write with what keeps a station's programming from being lost: a backup read before the
// first byte of the write, and a read after the last one that must give back what was sent;
// and the comparison of a station with a configuration, a read that leaves the editor alone.
// Each is one job for the window's worker or a CLI thread, built from the plain exchanges.
#include "station_link/exchanges.h"
#include "table/bands.h"

#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace tolvin {

struct WriteSafeguards {
    bool backup = false;
    QString backupFolder;  // empty: backupFolder()
    bool verify = false;
    // Ask the station its type before the write (a type query, with a backup or without: the
    // type a backup holds is only what the last write put there) and send nothing when its band
    // is not the configuration's.
    bool checkType = true;
    // A series of stations, each with its own image (its own Id): called once the station has
    // answered the type query with the serial number the backup read found; the image to write,
    // or nothing (with `why` set) to leave this station as it is. It makes the backup read run
    // even with `backup` off, only without keeping the file.
    std::function<std::optional<StreamImage>(const QString &serial, QString &why)> imageForStation{};
};

enum class WriteStage { Backup, TypeCheck, Write, Verify };

struct SafeWriteResult {
    ExchangeResult exchange;           // the last exchange that ran
    WriteStage stage = WriteStage::Write;
    QString serial;                    // from a read of the station; empty when none ran
    QString backupPath;                // the backup saved, empty when none was
    QString backupWarning;             // the backup does not pass the data check (readDataWarning);
                                       // kept anyway: it is what the station held
    QStringList backupAdvice;          // advised-against settings the backup holds (readDataFindings)
    QString backupTypeNote;            // the backup's type is not the one the station answers (storedTypeNote)
    int writtenBytes = 0;              // the write stream, once the write ran to its end
    LinkPace writePace;                // how fast that write went
    QStringList differences;           // what the station holds other than what was sent
    std::optional<uint8_t> stationType; // the type code as the station gave it (type query, else backup or verify)
    QByteArray backupStream;           // what the backup read brought, once it ran to its end
    QByteArray verifyStream;           // what the verify read brought, once it ran to its end
    // How long each stage took (the type check counts with the write); zero for one not run.
    std::chrono::milliseconds backupTime{}, writeTime{}, verifyTime{};
    bool fileError = false;            // the backup could not be saved
    bool typeMismatch = false;         // the station is of another band: nothing was written
    bool passedOver = false;           // imageForStation gave no image: nothing was written
    QString message;                   // what went wrong, for the technician; empty when ok
                                       // (for typeMismatch, the question to put to the technician)
    bool ok() const { return exchange.ok() && !fileError && !typeMismatch && !passedOver && differences.isEmpty(); }
    // The device failed rather than the station (cannot open, gone away).
    bool portError() const { return exchange.portError; }
    // For a write that ended part-way with a backup taken: "Прежние данные станции можно
    // записать из резервной копии PATH"; otherwise empty.
    QString restoreHint() const;
    // "Резервная копия: PATH", with the type note in brackets, then "Резервная копия PATH: ..."
    // for the backup's warning and each advice; empty without a backup.
    QString backupLine() const;
};

// Without backup, verify and type check this is writeToStation itself. With them, the backup
// read runs first and a failure there (silence, a port error, a file that cannot be saved) ends
// the job before any byte of the write is sent; then the type query: a station that does not
// answer it ends the job as a write to a silent station does, one of another band ends it with
// typeMismatch; the verify read runs only after a write that ran to its end. The status and gauge show each exchange as it runs; the buttons stay disabled from the
// first exchange to the end of the last; no read of the job reaches readProgress.
SafeWriteResult writeWithSafeguards(SerialPort &port, const QString &device, LinkObserver &observer,
                                    const StreamImage &image, const WriteSafeguards &safeguards,
                                    StopFlag stop = nullptr);

struct ComparisonResult {
    ExchangeResult exchange;   // the read
    QString serial;
    QStringList differences;   // imageDifferences, valid when the read ran to its end
    QString dataWarning;       // what the station sent does not pass the data check
    bool ok() const { return exchange.ok(); }
};

// Reads the station and lists how it differs from `configured` (station_compare.h).
ComparisonResult compareWithStation(SerialPort &port, const QString &device, LinkObserver &observer,
                                    const StreamImage &configured, const BandSettings &band,
                                    StopFlag stop = nullptr);

} // namespace tolvin
