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

// A file whose last save in place was cut off: it may hold the new bytes up to where the write
// stopped and the old ones after that, while `copy` holds the whole content it had before. The
// front end offers the two ways on: the copy back over the file, or the file as it is.
class InterruptedSaveError : public IoError {
public:
    InterruptedSaveError(const QString &message, const QString &file, const QString &copy)
        : IoError(message), m_file(file), m_copy(copy) {}
    const QString &file() const noexcept { return m_file; }
    const QString &copy() const noexcept { return m_copy; }

private:
    QString m_file;
    QString m_copy;
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
