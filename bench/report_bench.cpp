// SPDX-License-Identifier: GPL-3.0-or-later
// The programming report of a full 99-channel configuration, as "Создать" makes it: build the
// document, pack it as .docx and write it to a new file.
#include "check/data_check.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "report/report_file.h"
#include "table/template.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

tolvin::Editor checked99() {
    tolvin::Editor ed;
    tolvin::selectBand(ed, 2);
    ed.templ = {QStringLiteral("99"), QStringLiteral("140000"), QStringLiteral("12,5")};
    tolvin::BatchOperator op;
    tolvin::createTemplate(ed, op);
    tolvin::runDataCheck(ed, op);
    return ed;
}

void BM_Report99BuildAndWrite(benchmark::State &state) {
    const tolvin::Editor ed = checked99();
    if (!ed.state.DataChecked)
        state.SkipWithError("the configuration did not pass the check");
    QTemporaryDir parent;
    for (auto _ : state)
        benchmark::DoNotOptimize(tolvin::createReportFile(ed, QStringLiteral("S7K62-12345"), parent.path()));
}
BENCHMARK(BM_Report99BuildAndWrite)->Unit(benchmark::kMillisecond);

void BM_Report99DocxBytes(benchmark::State &state) {
    const tolvin::Editor ed = checked99();
    const tolvin::Document doc = tolvin::buildReport(ed, QStringLiteral("S7K62-12345"));
    for (auto _ : state)
        benchmark::DoNotOptimize(tolvin::docxBytes(doc));
}
BENCHMARK(BM_Report99DocxBytes)->Unit(benchmark::kMillisecond);

} // namespace
