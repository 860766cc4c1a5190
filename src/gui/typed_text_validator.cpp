// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/typed_text_validator.h"

#include <QMetaObject>

namespace tolvin {

TypedTextValidator::TypedTextValidator(std::function<bool(QChar)> allowed, std::function<void(QChar)> refuse,
                                       QObject *parent)
    : QValidator(parent), m_allowed(std::move(allowed)), m_refuse(std::move(refuse)) {}

QValidator::State TypedTextValidator::validate(QString &input, int &) const {
    for (const QChar c : input) {
        if (m_allowed(c))
            continue;
        // The field may ask more than once for one paste, and a message box must not open in
        // the middle of its edit: one refusal, after the field is done.
        if (!m_refusalPending) {
            m_refusalPending = true;
            QMetaObject::invokeMethod(
                const_cast<TypedTextValidator *>(this),
                [this, c] {
                    m_refusalPending = false;
                    m_refuse(c);
                },
                Qt::QueuedConnection);
        }
        return Invalid;
    }
    return Acceptable;
}

} // namespace tolvin
