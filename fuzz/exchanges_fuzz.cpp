// SPDX-License-Identifier: GPL-3.0-or-later
// The host's side of the write, the read and the type query against a station that answers
// anything: every byte, nothing, several bytes, or a device that goes away. Each exchange ends,
// releases the port, leaves the window's buttons enabled, and says why when it failed.
#include "common/errors.h"
#include "fuzz_target.h"
#include "station_link/exchanges.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"

#include <algorithm>
#include <deque>

namespace {

using namespace tolvin;

// A port whose station is the fuzz input: each wait for a reply takes one instruction.
class ScriptedPort : public SerialPort {
public:
    explicit ScriptedPort(fuzz::Input &script) : m_in(script) {}

    void open(const QString &device, const LineSettings &) override {
        close();
        m_device = device;
        if (m_in.byte() == 0xFF)
            throw LinkError(LinkError::Kind::CannotOpen, QStringLiteral("Порт %1 занят другой программой").arg(device));
        m_open = true;
    }
    void close() override {
        m_open = false;
        m_input.clear();
    }
    bool isOpen() const override { return m_open; }
    QString device() const override { return m_device; }

    void SendByte(uint8_t b) override {
        requireOpen();
        sent.append(char(b));
    }
    bool ByteWaiting() override {
        requireOpen();
        return !m_input.empty();
    }
    uint8_t TakeByte() override {
        if (!ByteWaiting())
            throw LinkError(LinkError::Kind::Lost, QStringLiteral("Порт %1: нет принятого байта").arg(m_device));
        const uint8_t b = m_input.front();
        m_input.pop_front();
        return b;
    }
    void DiscardInput() override {
        requireOpen();
        m_input.clear();
    }
    void DiscardOutput() override { requireOpen(); }
    bool waitForByte(Clock::time_point) override {
        requireOpen();
        if (!m_input.empty())
            return true;
        // Past the end of the script the station answers every byte with 0.
        switch (m_in.byte() % 8) {
        case 1:
            return false; // silence until the deadline
        case 2:
            close();
            throw LinkError(LinkError::Kind::Lost, QStringLiteral("Связь с портом %1 потеряна: устройство отключено").arg(m_device));
        case 3: {
            const int n = 2 + m_in.byte() % 16; // more than asked
            for (int i = 0; i < n; ++i)
                m_input.push_back(m_in.byte());
            return true;
        }
        default:
            m_input.push_back(m_in.byte());
            return true;
        }
    }

    QByteArray sent;

private:
    void requireOpen() const {
        if (!m_open)
            throw LinkError(LinkError::Kind::NotOpen, QStringLiteral("Порт %1 не открыт").arg(m_device));
    }
    fuzz::Input &m_in;
    QString m_device;
    bool m_open = false;
    std::deque<uint8_t> m_input;
};

struct Watcher : LinkObserver {
    int buttonsOff = 0;
    bool lastButtons = true;
    QString lastStatus;
    void status(const QString &text) override { lastStatus = text; }
    void gauge(int percent) override { FUZZ_REQUIRE(percent >= 0 && percent <= 100); }
    void buttonsEnabled(bool enabled) override {
        buttonsOff += enabled ? 0 : 1;
        lastButtons = enabled;
    }
};

// Up to one past the highest code a model answers with: every known type, and at least one a
// write has no opening for.
constexpr int TypeCodes = [] {
    int top = 0;
    for (const StationModelRow &m : StationModels)
        top = std::max({top, int(m.typeCode), m.otherTypeCode == StationModelRow::NoOtherCode ? 0 : int(m.otherTypeCode)});
    return top + 2;
}();

StreamImage imageFrom(fuzz::Input &in) {
    StreamImage p;
    for (uint8_t &b : p.image.header)
        b = in.byte();
    // A passed check leaves at most 99 channels; the write trusts that.
    p.image.header[HeaderByte::ChannelCount] %= MaxChannels + 1;
    for (uint8_t &b : p.image.tones)
        b = in.byte();
    p.image.IdCode = in.word();
    p.ModuleType = in.byte();
    p.StationType = uint8_t(in.byte() % TypeCodes);
    const int n = p.image.header[HeaderByte::ChannelCount];
    for (int r = 0; r < n && r < 4; ++r) // the rest stay zero
        for (uint8_t &b : p.image.records[r])
            b = in.byte();
    return p;
}

} // namespace

TOLVIN_FUZZ_TARGET(exchanges) {
    fuzz::Input in(data, size);
    const int which = in.byte() % 3;
    const int stopAfterWaits = in.byte(); // 0: never asked to stop
    const StreamImage image = which == 0 ? imageFrom(in) : StreamImage{};

    ScriptedPort port(in);
    Watcher watcher;
    std::atomic<bool> stop{false};
    // The program asks the exchange to stop after a number of gauge or status reports.
    struct Stopper : LinkObserver {
        Watcher &w;
        std::atomic<bool> &stop;
        int left;
        Stopper(Watcher &w, std::atomic<bool> &s, int n) : w(w), stop(s), left(n) {}
        void tick() {
            if (left > 0 && --left == 0)
                stop = true;
        }
        void status(const QString &t) override { w.status(t); tick(); }
        void gauge(int p) override { w.gauge(p); tick(); }
        void buttonsEnabled(bool e) override { w.buttonsEnabled(e); }
    } observer(watcher, stop, stopAfterWaits % 40);

    const QString device = QStringLiteral("/dev/ttyFUZZ");
    ExchangeResult r;
    switch (which) {
    case 0: r = writeToStation(port, device, observer, image, &stop, std::chrono::milliseconds(0)); break;
    case 1: r = readFromStation(port, device, observer, &stop); break;
    default: r = queryStationType(port, device, observer, &stop); break;
    }

    FUZZ_REQUIRE(!port.isOpen());
    if (watcher.buttonsOff > 0)
        FUZZ_REQUIRE(watcher.lastButtons); // ready for the next attempt
    if (r.outcome == ExchangeOutcome::Failed || r.outcome == ExchangeOutcome::Stopped)
        FUZZ_REQUIRE(!r.message.isEmpty());
    if (r.outcome == ExchangeOutcome::Done) {
        if (which == 0)
            FUZZ_REQUIRE(port.sent == openingSequence(image.StationType) + encodeWriteStream(image));
        if (which == 1) {
            const int n = r.stream.size() > HeaderByte::ChannelCount ? uint8_t(r.stream[HeaderByte::ChannelCount]) : -1;
            FUZZ_REQUIRE(r.stream.size() == ReadStreamFixedLength + RecordSize * n);
        }
        if (which == 2)
            FUZZ_REQUIRE(port.sent == QByteArray("\xAA\x14\x61", 3));
    }
    return 0;
}
