// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Judges text that reaches a field without being typed (paste, drop, middle click) by the same
// rule as the field's key filter, and lets the filter speak for a refusal.
#include <QValidator>
#include <functional>

namespace tolvin {

class TypedTextValidator : public QValidator {
    Q_OBJECT
public:
    TypedTextValidator(std::function<bool(QChar)> allowed, std::function<void(QChar)> refuse, QObject *parent);
    State validate(QString &input, int &pos) const override;

private:
    std::function<bool(QChar)> m_allowed;
    std::function<void(QChar)> m_refuse;
    mutable bool m_refusalPending = false;
};

} // namespace tolvin
