// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a station sent, held against "Контроль": a noisy line can bring a whole read of garbage
// that arrives in time, byte for byte, and only the check tells it from a programming. A few of
// the check's rules only advise against a setting the station can hold (minimum power level 4,
// maximum power level 1); a station holding one is no sign of noise, and is told apart.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tolvin {

struct ReadDataFindings {
    // Empty when what came passes the check once the advised-against cells are set aside;
    // otherwise "Данные станции не проходят «Контроль»: <the check's message>. Возможны помехи
    // на линии."
    QString warning;
    // One line per advised-against setting the station holds, in table order:
    // "Канал 5: записан 4 уровень минимальной мощности, что не рекомендуется".
    QStringList advice;
    bool clean() const { return warning.isEmpty() && advice.isEmpty(); }
    // The warning and the advice, one per line.
    QString text() const;
};

ReadDataFindings readDataFindings(const QByteArray &readStream);

// readDataFindings(...).warning: the noise alone.
QString readDataWarning(const QByteArray &readStream);

} // namespace tolvin
