// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A template of the 144-174 MHz band that passed the data check, as "Ok" and "Контроль" leave it.
#include "check/data_check.h"
#include "common/operator.h"
#include "table/editor.h"
#include "table/template.h"

#include <gtest/gtest.h>

namespace tolvin::test {

inline Editor checkedEditor(int channels) {
    Editor ed;
    selectBand(ed, 2);
    ed.templ = {QString::number(channels), QStringLiteral("150000"), QStringLiteral("12,5")};
    BatchOperator op;
    EXPECT_TRUE(createTemplate(ed, op)) << op.lastMessage().toStdString();
    EXPECT_TRUE(runDataCheck(ed, op)) << op.lastMessage().toStdString();
    return ed;
}

} // namespace tolvin::test
