// SPDX-License-Identifier: GPL-3.0-or-later
// The data check over any table and any general settings text: it ends with one message, never
// changes the editor while it judges, and passes only what the station can take.
#include "check/data_check.h"
#include "common/errors.h"
#include "editor_input.h"
#include "image/image_streams.h"

TOLVIN_FUZZ_TARGET(data_check) {
    using namespace tolvin;
    fuzz::Input in(data, size);
    Editor ed = fuzz::editorFrom(in);

    const QString before = fuzz::editorSnapshot(ed);
    try {
        (void)checkData(ed);
    } catch (const ConversionError &) {
    }
    FUZZ_REQUIRE(fuzz::editorSnapshot(ed) == before);

    BatchOperator op;
    bool passed = false;
    runAction(op, [&] { passed = runDataCheck(ed, op); });
    FUZZ_REQUIRE(op.messages.size() == 1);
    // Cells are quoted in part: a message stays a message, whatever a cell holds.
    FUZZ_REQUIRE(op.lastMessage().size() < 400);
    FUZZ_REQUIRE(ed.state.DataChecked == (passed ? 1 : 0));
    if (passed) {
        const int n = ed.table.channelCount();
        FUZZ_REQUIRE(n <= MaxChannels);
        FUZZ_REQUIRE(ed.state.image.header[HeaderByte::ChannelCount] == n);
        FUZZ_REQUIRE(ed.state.ModuleType < moduleCaptions().size() || ed.state.tickedModule < 0);
        const StreamImage parts{ed.state.image, ed.state.ModuleType, ed.state.StationType};
        FUZZ_REQUIRE(encodeWriteStream(parts).size() == WriteStreamFixedLength + RecordSize * n);
    }
    return 0;
}
