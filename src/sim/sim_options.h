#pragma once
// tolvin-sim's command line. Other tools start the simulator from scripts, so the option names
// and their meaning are a contract.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tolvin::sim {

struct Options {
    uint8_t type = 0;                   // --type: the code the type query answers
    QString memoryPath;                 // --memory: empty keeps the memory in the process only
    bool lineRate = false;              // --line-rate
    bool silent = false;                // --silent
    std::optional<qint64> stopAfter;    // --stop-after N
    bool garble = false;                // --garble
    std::optional<qint64> hangUpAfter;  // --hang-up-after N
    std::optional<qint64> stopSendingAfter; // --stop-sending-after N
    int flood = 0;                      // --flood N
    std::optional<qint64> corruptByte;  // --corrupt-byte N
    bool log = false;                   // --log
    bool help = false;                  // --help
};

struct ParsedOptions {
    Options options;
    QString error;  // empty when the command line was good
};

// Takes "--name value" and "--name=value" forms.
ParsedOptions parseOptions(const QStringList &args);

QString helpText();

} // namespace tolvin::sim
