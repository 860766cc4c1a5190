// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/gates.h"

#include "support/recording_operator.h"

#include <gtest/gtest.h>

using namespace tolvin;

TEST(Gates, RefuseWithTheirOwnTextOnlyWhileUnchecked) {
    const std::pair<Gate, QString> gates[] = {
        {Gate::Repeater, QStringLiteral("Прежде чем производить настройку рентраслятора проверьте введеные данные !!!")},
        {Gate::ReportMenu, QStringLiteral("Пока не будет произведена проверка данных, протокол создаваться не будет!!!")},
        {Gate::ReportCreate, QStringLiteral("Пока не будет произведена проверка данных, протокол создаваться не будет")},
        {Gate::LinkWrite, QStringLiteral("Введенные данные не будут переданы, так как они не проверены.")},
    };
    for (const auto &[gate, text] : gates) {
        EditorState st;
        test::RecordingOperator op;
        EXPECT_FALSE(passGate(st, gate, op));
        EXPECT_EQ(op.messages, QStringList{text});
        st.DataChecked = 1;
        op.clear();
        EXPECT_TRUE(passGate(st, gate, op));
        EXPECT_TRUE(op.events.isEmpty());
    }
}
