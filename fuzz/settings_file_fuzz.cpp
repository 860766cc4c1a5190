// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a settings file: the load takes it or refuses it as a whole, the check ends in a
// message, and what the save writes loads back to the same configuration and saves to the
// same bytes.
#include "check/data_check.h"
#include "common/cp1251.h"
#include "common/errors.h"
#include "fuzz_target.h"
#include "common/file_io.h"
#include "layout/general_keys.h"
#include "settings_file/settings_file.h"

namespace {

using namespace tolvin;

// What a text is once it went through a file of ours: characters outside the code page are '?'.
QString onDisk(const QString &s) {
    return fromCp1251(toCp1251(s));
}

bool sameConfiguration(const Editor &a, const Editor &b) {
    if (a.memo.size() != b.memo.size() || a.table.rowCount() != b.table.rowCount() ||
        a.state.StationType != b.state.StationType || a.state.ModuleType != b.state.ModuleType)
        return false;
    for (qsizetype i = 0; i < a.memo.size(); ++i)
        if (onDisk(a.memo[i]) != b.memo[i])
            return false;
    for (int r = 1; r < a.table.rowCount(); ++r)
        for (int c = 0; c < ColumnCount; ++c)
            if (isCheckboxColumn(c) ? a.table.flag(c, r) != b.table.flag(c, r)
                                    : onDisk(a.table.cell(c, r)) != b.table.cell(c, r))
                return false;
    return true;
}

} // namespace

TOLVIN_FUZZ_TARGET(settings_file) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Editor ed;
    static const Editor untouched;
    try {
        loadSettingsBytes(ed, bytes, QStringLiteral("fuzz.ini"));
    } catch (const AppError &) {
        FUZZ_REQUIRE(ed.table.rowCount() == untouched.table.rowCount() && ed.memo == untouched.memo);
        return 0;
    }
    FUZZ_REQUIRE(ed.memo.size() == 1 + qsizetype(GeneralKeys.size()));
    FUZZ_REQUIRE(ed.table.rowCount() >= 2);
    FUZZ_REQUIRE(ed.state.DataChecked == 0);

    BatchOperator op;
    bool passed = false;
    runAction(op, [&] { passed = runDataCheck(ed, op); });
    FUZZ_REQUIRE(op.messages.size() == 1);
    FUZZ_REQUIRE(op.lastMessage().size() < 400);

    QByteArray saved;
    try {
        saved = settingsFileBytes(ed);
    } catch (const AppError &e) {
        // Only a table too large for a readable file is refused; a loaded table has its boxes.
        FUZZ_REQUIRE(e.message().startsWith(QStringLiteral("Таблица из ")));
        return 0;
    }
    FUZZ_REQUIRE(saved.size() <= MaxInputFileBytes);
    Editor back;
    loadSettingsBytes(back, saved, QStringLiteral("saved.ini"));
    FUZZ_REQUIRE(sameConfiguration(ed, back));
    FUZZ_REQUIRE(settingsFileBytes(back) == saved);
    return 0;
}
