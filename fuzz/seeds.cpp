// SPDX-License-Identifier: GPL-3.0-or-later
#include "seeds.h"

#include "check/data_check.h"
#include "common/cp1251.h"
#include "editor_input.h"
#include "settings_file/settings_file.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"
#include "station_link/read_into_editor.h"
#include "sim/station_memory.h"
#include "table/template.h"

namespace tolvin::fuzz {

namespace {

// A template of `count` channels in `band`, passed through the data check.
Editor checkedTemplate(int band, int count) {
    Editor ed;
    selectBand(ed, band);
    ed.templ = {QString::number(count), QString::number(bandRow(band).settings.BandLow), QStringLiteral("12,5")};
    BatchOperator op;
    createTemplate(ed, op);
    if (count > 1) {
        ed.table.setCell(ColCtcRx, 1, QStringLiteral("88,5"));
        ed.table.setCell(ColDcsTx, count, QStringLiteral("023"));
        ed.table.setCell(ColToneRx, 2, QStringLiteral("3"));
        ed.table.setCell(ColTime, 2, QStringLiteral("15"));
    }
    runDataCheck(ed, op);
    return ed;
}

StreamImage imageOf(const Editor &ed) {
    return StreamImage{ed.state.image, ed.state.ModuleType, ed.state.StationType};
}

const int Bands = int(bandTable().size());

// The codes some model answers with, then with `unknown` the first that none does.
std::vector<uint8_t> typeCodes(bool unknown) {
    std::vector<uint8_t> codes, others;
    for (int code = 0; code < 256; ++code)
        (modelOfType(uint8_t(code)) ? codes : others).push_back(uint8_t(code));
    if (unknown)
        codes.push_back(others.front());
    return codes;
}

// The same file with every CR LF replaced.
QByteArray withLineEnds(const QByteArray &crlf, const char *end) {
    QByteArray b = crlf;
    return b.replace("\r\n", end);
}

std::vector<Seed> settingsFileSeeds() {
    std::vector<Seed> s;
    for (int band = 1; band <= Bands; ++band)
        for (int count : {1, 4, 12})
            s.push_back({QStringLiteral("template-band%1-%2").arg(band).arg(count), settingsFileBytes(checkedTemplate(band, count))});
    s.push_back({QStringLiteral("template-99"), settingsFileBytes(checkedTemplate(2, 99))});
    const QByteArray four = settingsFileBytes(checkedTemplate(2, 4));
    s.push_back({QStringLiteral("lf"), withLineEnds(four, "\n")});
    s.push_back({QStringLiteral("cr"), withLineEnds(four, "\r")});
    s.push_back({QStringLiteral("cr-cr-lf"), withLineEnds(four, "\r\r\n")});
    s.push_back({QStringLiteral("bom-cp1251"), QByteArray("\xEF\xBB\xBF") + four});
    s.push_back({QStringLiteral("utf8"), fromCp1251(four).toUtf8()});
    s.push_back({QStringLiteral("bom-utf8"), QByteArray("\xEF\xBB\xBF") + fromCp1251(four).toUtf8()});
    for (uint8_t type : typeCodes(false)) {
        Editor read;
        applyCompleteRead(read, encodeReadStream(defaultStationMemory(type)));
        s.push_back({QStringLiteral("station-read-type%1").arg(type), settingsFileBytes(read)});
    }
    return s;
}

std::vector<Seed> iniAccessorSeeds() {
    const QByteArray file = settingsFileBytes(checkedTemplate(2, 2));
    std::vector<Seed> s;
    // Reads of the general keys and of a channel; a write; an outside rewrite; reads again.
    Output reads;
    reads.flag(true).block(file);
    auto named = [](Output &o, uint8_t n) { o.flag(false).byte(n); };
    for (uint8_t section : {0, 1, 2})
        for (uint8_t key : {4, 5, 6}) {
            reads.byte(0);
            named(reads, section);
            named(reads, key);
        }
    s.push_back({QStringLiteral("reads"), reads.data()});

    Output writes = reads;
    writes.byte(3);
    named(writes, 0);
    named(writes, 4);
    writes.flag(true).word(30003);
    writes.byte(6).block(file.left(file.size() / 2));
    writes.byte(2);
    named(writes, 1);
    writes.byte(5).byte(1);
    named(writes, 0);
    named(writes, 4);
    s.push_back({QStringLiteral("writes"), writes.data()});

    // A file system of whole seconds: an outside rewrite of the same size within one tick leaves
    // the stamp as it was; then a write, seconds pass and the stamp is trusted.
    Output coarse;
    coarse.byte(0x03).block(file);
    auto readRx = [&] {
        coarse.byte(0);
        named(coarse, 1);
        named(coarse, 5);
    };
    readRx();
    QByteArray same = file;
    same[same.indexOf("\r\nRx=") + 5] = '9';
    coarse.byte(6).block(same);
    readRx();
    coarse.byte(3);
    named(coarse, 1);
    named(coarse, 5);
    coarse.flag(true).word(30145);
    coarse.byte(9);
    readRx();
    coarse.byte(6).block(file);
    readRx();
    s.push_back({QStringLiteral("coarse-clock"), coarse.data()});

    Output options;
    options.flag(true).block(QByteArray("[All]\r\nPort=1\r\nCOM1=/dev/pts/3\r\n"));
    options.byte(1);
    named(options, 3);
    named(options, 6);
    s.push_back({QStringLiteral("options"), options.data()});
    return s;
}

std::vector<Seed> dataCheckSeeds() {
    std::vector<Seed> s;
    for (int band = 1; band <= Bands; ++band)
        s.push_back({QStringLiteral("checked-band%1").arg(band), editorBytes(checkedTemplate(band, 5))});
    s.push_back({QStringLiteral("checked-99"), editorBytes(checkedTemplate(3, 99))});
    Editor read;
    applyCompleteRead(read, encodeReadStream(defaultStationMemory(0)));
    s.push_back({QStringLiteral("station-read"), editorBytes(read)});
    return s;
}

std::vector<Seed> readoutSeeds() {
    std::vector<Seed> s;
    for (uint8_t type : typeCodes(true))
        s.push_back({QStringLiteral("memory-type%1").arg(type), encodeReadStream(defaultStationMemory(type))});
    for (int band = 1; band <= Bands; ++band) {
        const Editor ed = checkedTemplate(band, 12);
        StreamImage p = imageOf(ed);
        p.image.header[HeaderByte::Serial] = 0x12;
        s.push_back({QStringLiteral("template-band%1").arg(band), encodeReadStream(p)});
    }
    return s;
}

std::vector<Seed> stationModelSeeds() {
    std::vector<Seed> s;
    for (int band = 1; band <= Bands; ++band) {
        const StreamImage p = imageOf(checkedTemplate(band, 3));
        QByteArray host(1, char(p.StationType));
        host += openingSequence(p.StationType) + encodeWriteStream(p);
        host += char(ReadCommand);
        s.push_back({QStringLiteral("write-read-band%1").arg(band), host});
    }
    s.push_back({QStringLiteral("type-query"), QByteArray("\x03\xAA\x14\x61", 4)});
    s.push_back({QStringLiteral("read"), QByteArray("\x00\x1E", 2)});
    return s;
}

// The exchanges target: which exchange, when to stop, for a write the image, then the port.
std::vector<Seed> exchangesSeeds() {
    std::vector<Seed> s;
    auto answering = [](Output &o, const QByteArray &replies) {
        o.byte(0); // the port opens
        for (char c : replies)
            o.byte(0).byte(uint8_t(c));
    };
    for (int band : {1, 2}) {
        const StreamImage p = imageOf(checkedTemplate(band, 3));
        Output w;
        w.byte(0).byte(0);
        for (uint8_t b : p.image.header)
            w.byte(b);
        for (uint8_t b : p.image.tones)
            w.byte(b);
        w.word(p.image.IdCode).byte(p.ModuleType).byte(p.StationType);
        for (int r = 0; r < 3; ++r)
            for (uint8_t b : p.image.records[r])
                w.byte(b);
        const QByteArray sent = openingSequence(p.StationType) + encodeWriteStream(p);
        answering(w, sent);
        s.push_back({QStringLiteral("write-band%1").arg(band), w.data()});
    }
    Output r;
    r.byte(1).byte(0);
    answering(r, encodeReadStream(defaultStationMemory(0)));
    s.push_back({QStringLiteral("read"), r.data()});
    Output t;
    t.byte(2).byte(0);
    answering(t, QByteArray("\xAA\x14\x61\x03", 4));
    s.push_back({QStringLiteral("type"), t.data()});
    return s;
}

} // namespace

const std::vector<std::string> &targetNames() {
    static const std::vector<std::string> names{"ini_accessor", "settings_file", "data_check",
                                                "station_readout", "station_model", "exchanges"};
    return names;
}

std::vector<Seed> seedsFor(const std::string &target) {
    if (target == "settings_file")
        return settingsFileSeeds();
    if (target == "ini_accessor")
        return iniAccessorSeeds();
    if (target == "data_check")
        return dataCheckSeeds();
    if (target == "station_readout")
        return readoutSeeds();
    if (target == "station_model")
        return stationModelSeeds();
    if (target == "exchanges")
        return exchangesSeeds();
    return {};
}

} // namespace tolvin::fuzz
