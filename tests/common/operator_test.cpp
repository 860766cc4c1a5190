// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/errors.h"
#include "support/recording_operator.h"

#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::RecordingOperator;

TEST(ActionBoundary, EveryFailureBecomesOneMessage) {
    struct Case { const char *name; std::function<void()> action; const char16_t *message; };
    const Case cases[] = {
        {"conversion", [] { throw ConversionError(QStringLiteral("Канал 1, ШП: «x» не является целым числом")); },
         u"Канал 1, ШП: «x» не является целым числом"},
        {"file", [] { throw IoError(QStringLiteral("Не удалось прочитать файл /a: нет доступа")); },
         u"Не удалось прочитать файл /a: нет доступа"},
        {"standard", [] { throw std::out_of_range("index"); }, u"Внутренняя ошибка: index"},
        {"anything", [] { throw 42; }, u"Внутренняя ошибка"},
        {"memory", [] { throw std::bad_alloc(); }, u"Недостаточно памяти для выполнения операции"},
    };
    for (const auto &c : cases) {
        RecordingOperator op;
        EXPECT_FALSE(runAction(op, c.action)) << c.name;
        EXPECT_EQ(op.messages, QStringList{QString::fromUtf16(c.message)}) << c.name;
    }
    RecordingOperator op;
    EXPECT_TRUE(runAction(op, [] {}));
    EXPECT_TRUE(op.messages.isEmpty());
}
