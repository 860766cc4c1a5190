// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a station sent, held against "Контроль": a noisy line can bring a whole read of garbage
// that arrives in time, byte for byte, and only the check tells it from a programming.
#include <QByteArray>
#include <QString>

namespace tolvin {

// Empty when the editor a complete read leaves passes the check; otherwise the warning
// "Данные станции не проходят «Контроль»: <the check's message>. Возможны помехи на линии."
QString readDataWarning(const QByteArray &readStream);

} // namespace tolvin
