// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A zip package in memory, deflated, through libzip.
#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace tolvin {

// The parts in the given order. Throws AppError naming libzip's reason when it fails.
QByteArray zipPackage(const std::vector<std::pair<QString, QByteArray>> &parts);

// The parts of a package, in archive order. Throws AppError when the bytes are not a zip archive
// or a part cannot be read.
std::vector<std::pair<QString, QByteArray>> unzipPackage(const QByteArray &bytes);

} // namespace tolvin
