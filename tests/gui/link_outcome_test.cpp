// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/link_outcome.h"


#include <gtest/gtest.h>

using namespace tolvin;
using namespace std::chrono_literals;

namespace {

ExchangeResult exchange(ExchangeOutcome outcome, const QString &message = {}) {
    ExchangeResult r;
    r.outcome = outcome;
    r.message = message;
    return r;
}

SafeWriteResult write(WriteStage stage, ExchangeResult e, const QString &message = {}) {
    SafeWriteResult r;
    r.stage = stage;
    r.exchange = std::move(e);
    r.message = message.isEmpty() ? r.exchange.message : message;
    return r;
}

} // namespace

// The outcomes the link window tests do not reach against a station.
TEST(LinkOutcome, WriteSaysWhatTheStationHoldsNow) {
    SafeWriteResult differs = write(WriteStage::Verify, exchange(ExchangeOutcome::Done),
                                    QStringLiteral("Проверка после записи: станция хранит не то, что записано (различий: 1)"));
    differs.differences << QStringLiteral("канал 2: ШП 254 вместо 1");
    SafeWriteResult unsaved = write(WriteStage::Backup, exchange(ExchangeOutcome::Done),
                                    QStringLiteral("Резервная копия не сохранена: нет места. Запись не начата, станция не изменена."));
    unsaved.fileError = true;
    struct Case { const char *what; SafeWriteResult r; QString text; bool ok; };
    const Case cases[] = {
        {"port missing", write(WriteStage::Write, exchange(ExchangeOutcome::Failed, "Порт /dev/ttyS1 не найден")),
         "Запись не выполнена: порт /dev/ttyS1 не найден", false},
        // The backup and the check say in full what they left.
        {"backup failed",
         write(WriteStage::Backup, exchange(ExchangeOutcome::Failed, "Станция не ответила: заголовок"),
               "Резервная копия не сделана: Станция не ответила: заголовок. Запись не начата, станция не изменена."),
         "Резервная копия не сделана: Станция не ответила: заголовок. Запись не начата, станция не изменена.", false},
        {"backup not saved", unsaved, unsaved.message, false},
        {"check differs", differs, differs.message, false},
    };
    for (const Case &c : cases) {
        const LinkOutcome o = writeOutcome(c.r, 31'240ms);
        EXPECT_EQ(o.text, c.text) << c.what;
        EXPECT_EQ(o.ok, c.ok) << c.what;
    }
}

TEST(LinkOutcome, CompareAndTypeQuery) {
    ComparisonResult same;
    same.exchange = exchange(ExchangeOutcome::Done);
    ComparisonResult differs = same;
    differs.differences << "a" << "b" << "c";
    ComparisonResult compareStopped;
    compareStopped.exchange = exchange(ExchangeOutcome::Stopped, "Обмен со станцией прерван");
    ExchangeResult type = exchange(ExchangeOutcome::Done);
    type.typeCode = 3;
    struct Case { const char *what; LinkOutcome o; QString text; bool ok; };
    const Case cases[] = {
        {"same", compareOutcome(same, 900ms), "Станция совпадает с конфигурацией, 0,9 с", true},
        {"differs", compareOutcome(differs, 900ms), "Станция отличается от конфигурации: различий 3, 0,9 с", false},
        {"compare stopped", compareOutcome(compareStopped, 1s), "Сравнение прервано", false},
        {"type", typeQueryOutcome(type), "Код типа станции: 3", true},
        {"type failed", typeQueryOutcome(exchange(ExchangeOutcome::Failed, "Станция не ответила на запрос типа станции")),
         "Запрос типа станции не выполнен: станция не ответила на запрос типа станции", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.o.text, c.text) << c.what;
        EXPECT_EQ(c.o.ok, c.ok) << c.what;
    }
}

TEST(LinkOutcome, SecondsToATenthWithAComma) {
    const std::pair<std::chrono::milliseconds, const char16_t *> cases[] = {
        {0ms, u"0,0 с"}, {49ms, u"0,0 с"}, {50ms, u"0,1 с"}, {31'240ms, u"31,2 с"}, {31'250ms, u"31,3 с"}, {600'000ms, u"600,0 с"},
    };
    for (const auto &[d, text] : cases)
        EXPECT_EQ(secondsText(d), QString::fromUtf16(text)) << d.count();
    EXPECT_NE(outcomeColor(true), outcomeColor(false));
    EXPECT_GT(outcomeColor(false).red(), outcomeColor(false).green()) << "a failure is red";
    EXPECT_GT(outcomeColor(true).green(), outcomeColor(true).red()) << "success is green";
}
