// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Seed inputs for every fuzz target, made by the program's own code: template configurations
// checked and saved, station memories as a station sends them, the bytes a host sends.
#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace tolvin::fuzz {

struct Seed {
    QString name;
    QByteArray bytes;
};

// The names of the targets, as their TOLVIN_FUZZ_TARGET names them.
const std::vector<std::string> &targetNames();
std::vector<Seed> seedsFor(const std::string &target);

} // namespace tolvin::fuzz
