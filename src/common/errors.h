// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few error types the core raises. Every user action is wrapped by one boundary
// (runAction) that shows the message; nothing escapes into the event loop or ends the program.
#include <QString>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>

namespace tolvin {

class AppError : public std::runtime_error {
public:
    explicit AppError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

// A text that should have been a number and is not.
class ConversionError : public AppError {
public:
    using AppError::AppError;
};

// A file or device that could not be read or written; the message names the path and why.
class IoError : public AppError {
public:
    using AppError::AppError;
};

// The serial link to the station failed; the message names the device and what happened.
// The kind lets a caller tell a port that never opened from one that was lost mid-exchange.
class LinkError : public AppError {
public:
    enum class Kind {
        CannotOpen,  // missing, busy, not a serial port, no permission
        NotOpen,     // a transfer on a closed port (the port stays closed after a time-out)
        Lost,        // the device went away or stopped working while open
        Stopped,     // the program asked a transfer that was waiting on the device to give up
    };
    LinkError(Kind kind, const QString &message) : AppError(message), m_kind(kind) {}
    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

// Anything caught at an action's boundary, as the technician reads it. `internal` marks a fault of
// the program itself (not one of the errors above), which a script's exit code tells apart.
struct Failure {
    QString message;
    bool internal = false;
};
Failure describeFailure(const std::exception_ptr &e) noexcept;

// Runs `action`; whatever it throws comes back as a Failure instead of leaving the boundary.
std::optional<Failure> catchFailure(const std::function<void()> &action) noexcept;

} // namespace tolvin
