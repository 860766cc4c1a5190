// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/operator.h"

#include "common/errors.h"


namespace tolvin {

bool runAction(Operator &op, const std::function<void()> &action) {
    if (const std::optional<Failure> f = catchFailure(action)) {
        op.message(f->message);
        return false;
    }
    return true;
}

} // namespace tolvin
