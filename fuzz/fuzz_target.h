// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One fuzz target per file, written once for two uses: built with clang and libFuzzer it is a
// fuzzer (TOLVIN_LIBFUZZER), built into the test runner it is a function that `make test` feeds
// the project's seeds and every input a fuzzer ever found (tests/fuzz/<target>/).
//
//   TOLVIN_FUZZ_TARGET(settings_file) { ... use data, size ...; return 0; }
//
// A target ends every input in a result; a broken promise is a crash (FUZZ_REQUIRE), which
// libFuzzer keeps as an input and the test runner reports.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace tolvin::fuzz {

using TargetFn = int (*)(const uint8_t *data, size_t size);

// Every target built into this program, by name.
std::map<std::string, TargetFn> &targets();
bool registerTarget(const char *name, TargetFn fn);

// A broken promise: a crash under libFuzzer, an exception the replay test reports elsewhere.
[[noreturn]] void broken(const char *what, const char *file, int line);

// Takes typed values from the front of the input; past its end every value is zero or empty.
class Input {
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_pos >= m_size; }
    size_t left() const { return m_size - m_pos; }
    uint8_t byte();
    uint16_t word();
    bool flag() { return byte() & 1; }
    // A count in 0..max.
    int upTo(int max) { return max <= 0 ? 0 : int(word() % uint32_t(max + 1)); }
    // Up to maxLen bytes: a length byte, then the bytes.
    QByteArray bytes(int maxLen = 255);
    // Up to 65535 bytes: a length word, then the bytes.
    QByteArray block();
    // Text in code page 1251, as every file and cell carries it.
    QString text(int maxLen = 64);
    QByteArray rest();

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The writing side of Input, for seeds.
class Output {
public:
    Output &byte(uint8_t b) { m_bytes.append(char(b)); return *this; }
    Output &word(uint16_t w) { return byte(uint8_t(w >> 8)).byte(uint8_t(w & 0xFF)); }
    Output &flag(bool f) { return byte(f ? 1 : 0); }
    Output &upTo(int value) { return word(uint16_t(value)); }
    Output &bytes(const QByteArray &b);
    Output &block(const QByteArray &b);
    Output &text(const QString &t);
    Output &rest(const QByteArray &b) { m_bytes += b; return *this; }
    const QByteArray &data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

} // namespace tolvin::fuzz

#define FUZZ_REQUIRE(cond)                                                                      \
    do {                                                                                        \
        if (!(cond))                                                                            \
            ::tolvin::fuzz::broken(#cond, __FILE__, __LINE__);                                  \
    } while (0)

#ifdef TOLVIN_LIBFUZZER
#define TOLVIN_FUZZ_ENTRY(name, fn)                                                             \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { return fn(data, size); }
#else
#define TOLVIN_FUZZ_ENTRY(name, fn)                                                             \
    [[maybe_unused]] static const bool fn##Registered = ::tolvin::fuzz::registerTarget(#name, fn);
#endif

#define TOLVIN_FUZZ_TARGET(name)                                                                \
    static int fuzz_##name(const uint8_t *data, size_t size);                                   \
    TOLVIN_FUZZ_ENTRY(name, fuzz_##name)                                                        \
    static int fuzz_##name(const uint8_t *data, size_t size)
