#include "common/operator.h"

#include "common/errors.h"

#include <exception>
#include <new>

namespace tolvin {

bool runAction(Operator &op, const std::function<void()> &action) {
    try {
        action();
        return true;
    } catch (const AppError &e) {
        op.message(e.message());
    } catch (const std::bad_alloc &) {
        op.message(QStringLiteral("Недостаточно памяти для выполнения операции"));
    } catch (const std::exception &e) {
        op.message(QStringLiteral("Внутренняя ошибка: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        op.message(QStringLiteral("Внутренняя ошибка"));
    }
    return false;
}

} // namespace tolvin
