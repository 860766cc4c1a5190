// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How an exchange over the line ends when the program asks it to: at the next byte, by an
// exception the exchange catches at its one exit.
#include "station_link/serial_port.h"

#include <atomic>
#include <cstdint>

namespace tolvin {

// Thrown inside an exchange when the program asks it to stop.
struct StopRequested {};

// `stop` is an exchange's StopFlag (exchanges.h).
void checkStop(const std::atomic<bool> *stop);

// A port that gave up a send because the program asked it to is a stop like any other.
void sendOrStop(SerialPort &port, uint8_t byte);

} // namespace tolvin
