// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/errors.h"

#include <new>

namespace tolvin {

Failure describeFailure(const std::exception_ptr &e) noexcept {
    try {
        std::rethrow_exception(e);
    } catch (const AppError &a) {
        return {a.message(), false};
    } catch (const std::bad_alloc &) {
        return {QStringLiteral("Недостаточно памяти для выполнения операции"), true};
    } catch (const std::exception &x) {
        return {QStringLiteral("Внутренняя ошибка: %1").arg(QString::fromLocal8Bit(x.what())), true};
    } catch (...) {
        return {QStringLiteral("Внутренняя ошибка"), true};
    }
}

std::optional<Failure> catchFailure(const std::function<void()> &action) noexcept {
    try {
        action();
        return std::nullopt;
    } catch (...) {
        return describeFailure(std::current_exception());
    }
}

} // namespace tolvin
