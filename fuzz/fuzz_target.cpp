// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_target.h"

#include "common/cp1251.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace tolvin::fuzz {

std::map<std::string, TargetFn> &targets() {
    static std::map<std::string, TargetFn> t;
    return t;
}

bool registerTarget(const char *name, TargetFn fn) {
    targets()[name] = fn;
    return true;
}

void broken(const char *what, const char *file, int line) {
    const std::string text = std::string(file) + ":" + std::to_string(line) + ": " + what;
#ifdef TOLVIN_LIBFUZZER
    std::fprintf(stderr, "broken promise: %s\n", text.c_str());
    std::abort();
#else
    throw std::logic_error(text);
#endif
}

uint8_t Input::byte() {
    return m_pos < m_size ? m_data[m_pos++] : 0;
}

uint16_t Input::word() {
    const uint16_t hi = byte();
    return uint16_t(hi << 8 | byte());
}

QByteArray Input::bytes(int maxLen) {
    const size_t want = std::min<size_t>(byte(), size_t(maxLen));
    const size_t n = std::min(want, left());
    QByteArray b(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
    m_pos += n;
    return b;
}

QByteArray Input::block() {
    const size_t n = std::min<size_t>(word(), left());
    QByteArray b(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
    m_pos += n;
    return b;
}

QString Input::text(int maxLen) {
    return fromCp1251(bytes(maxLen));
}

QByteArray Input::rest() {
    QByteArray b(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(left()));
    m_pos = m_size;
    return b;
}

Output &Output::bytes(const QByteArray &b) {
    const QByteArray cut = b.left(255);
    byte(uint8_t(cut.size()));
    m_bytes += cut;
    return *this;
}

Output &Output::block(const QByteArray &b) {
    const QByteArray cut = b.left(65535);
    word(uint16_t(cut.size()));
    m_bytes += cut;
    return *this;
}

Output &Output::text(const QString &t) {
    return bytes(toCp1251(t));
}

} // namespace tolvin::fuzz
