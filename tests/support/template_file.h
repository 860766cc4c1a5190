// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A configuration as "Создать шаблон" makes it, for tests that need a file to work on.
#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "table/template.h"

#include <gtest/gtest.h>

namespace tolvin::test {

// `count` channels of the band item from `start` kHz, `step` kHz apart.
inline Editor templateEditor(int band, int count, const QString &start = QStringLiteral("150000"),
                             const QString &step = QStringLiteral("25")) {
    Editor ed;
    selectBand(ed, band);
    ed.templ = {QString::number(count), start, step};
    RecordingOperator op;
    EXPECT_TRUE(createTemplate(ed, op)) << op.lastMessage().toStdString();
    return ed;
}

inline void saveTemplateFile(const QString &path, int band, int count) {
    saveSettingsFile(templateEditor(band, count), path);
}

} // namespace tolvin::test
