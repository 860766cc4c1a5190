// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file/ini_document.h"

#include "common/cp1251.h"
#include "common/text_encoding.h"
#include "common/errors.h"
#include "common/message_text.h"
#include "common/numbers.h"

namespace tolvin {
namespace {

// The profile functions strip blanks and tabs only; other characters are part of the name.
QStringView trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.mid(b, e - b);
}

QString fold(QStringView name) { return trimBlanks(name).toString().toCaseFolded(); }

bool isHeader(QStringView t) { return t.startsWith(u'['); }

QStringView headerName(QStringView t) {
    const qsizetype close = t.lastIndexOf(u']');
    return trimBlanks(close > 0 ? t.mid(1, close - 1) : t.mid(1));
}

// The key of an entry line, or an empty view when the line is no entry.
QStringView entryKey(QStringView t) {
    if (t.isEmpty() || t.startsWith(u';') || isHeader(t))
        return {};
    const qsizetype eq = t.indexOf(u'=');
    return eq < 0 ? QStringView() : trimBlanks(t.left(eq));
}

bool hasLineBreak(const QString &s) {
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// One text line per line end: CR LF, LF or CR. Text after the last line end is one more line;
// a line end at the very end starts none unless keepFinalEmpty says so.
void splitInto(QStringList &out, QStringView text, bool keepFinalEmpty) {
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        out << text.mid(start, i - start).toString();
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n || keepFinalEmpty)
        out << text.mid(start).toString();
}

} // namespace

IniDocument IniDocument::fromBytes(const QByteArray &bytes) {
    IniDocument doc;
    if (!bytes.isEmpty())
        splitInto(doc.m_lines, decodeFileText(bytes), false);
    doc.reindex();
    return doc;
}

IniDocument IniDocument::fromLines(const QStringList &lines) {
    IniDocument doc;
    doc.m_lines.reserve(lines.size());
    for (const QString &l : lines) {
        if (hasLineBreak(l))
            splitInto(doc.m_lines, l, true); // read back from disk, it would be these lines
        else
            doc.m_lines << l;
    }
    doc.reindex();
    return doc;
}

void IniDocument::reindex() {
    m_sections.clear();
    m_sectionByName.clear();
    m_entries.clear();
    m_current = -1;
    m_byteSize = 0;
    for (int i = 0; i < m_lines.size(); ++i) {
        indexLine(i, m_current);
        m_byteSize += m_lines.at(i).size() + 2;
    }
}

void IniDocument::indexLine(int line, int &current) {
    const QStringView t = trimBlanks(m_lines.at(line));
    if (isHeader(t)) {
        if (current >= 0)
            m_sections[current].end = line;
        const QString name = fold(headerName(t));
        if (m_sectionByName.contains(name)) {
            current = -1; // a later duplicate stays invisible
            return;
        }
        current = static_cast<int>(m_sections.size());
        m_sections.push_back(Section{line, -1, -1});
        m_sectionByName.insert(name, current);
        return;
    }
    if (current < 0)
        return;
    const QStringView key = entryKey(t);
    if (key.isEmpty())
        return;
    EntryKey k{current, key.toString().toCaseFolded()};
    if (!m_entries.contains(k))
        m_entries.emplace(std::move(k), line);
    m_sections[current].lastEntry = line;
}

void IniDocument::appendLine(const QString &line) {
    m_lines << line;
    m_byteSize += line.size() + 2;
    indexLine(static_cast<int>(m_lines.size()) - 1, m_current);
}

const IniDocument::Section *IniDocument::findSection(const QString &section) const {
    const auto it = m_sectionByName.constFind(fold(section));
    return it == m_sectionByName.constEnd() ? nullptr : &m_sections[*it];
}

int IniDocument::findEntry(const QString &section, const QString &key) const {
    const auto it = m_sectionByName.constFind(fold(section));
    if (it == m_sectionByName.constEnd())
        return -1;
    return m_entries.value(EntryKey{*it, fold(key)}, -1);
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const {
    const int line = findEntry(section, key);
    if (line < 0)
        return std::nullopt;
    const QString &l = m_lines.at(line);
    return trimBlanks(QStringView(l).mid(l.indexOf(QLatin1Char('=')) + 1)).toString();
}

QString IniDocument::readText(const QString &section, const QString &key, const QString &def) const {
    return value(section, key).value_or(def);
}

int32_t IniDocument::readNumber(const QString &section, const QString &key, int32_t def) const {
    QString text = readText(section, key, QString());
    if (text.size() > 2 && text.at(0) == QLatin1Char('0') &&
        (text.at(1) == QLatin1Char('x') || text.at(1) == QLatin1Char('X')))
        text.replace(0, 2, QStringLiteral("$"));
    return tryStrToInt(text).value_or(def);
}

QString IniDocument::foldName(const QString &name) {
    return fold(name);
}

QStringList IniDocument::readTexts(const QString &section, const QStringList &foldedKeys,
                                   const QStringList &defaults) const {
    QStringList out = defaults;
    const Section *s = findSection(section);
    if (!s)
        return out;
    std::vector<bool> found(size_t(foldedKeys.size()), false);
    qsizetype left = foldedKeys.size();
    const int end = s->end >= 0 ? s->end : int(m_lines.size());
    for (int line = s->header + 1; line < end && line <= s->lastEntry && left > 0; ++line) {
        const QStringView t = trimBlanks(m_lines.at(line));
        const QStringView key = entryKey(t);
        if (key.isEmpty())
            continue;
        const qsizetype i = foldedKeys.indexOf(key.toString().toCaseFolded());
        if (i < 0 || found[size_t(i)])
            continue;
        found[size_t(i)] = true;
        --left;
        out[i] = trimBlanks(t.mid(t.indexOf(QLatin1Char('=')) + 1)).toString();
    }
    return out;
}

bool IniDocument::hasSection(const QString &section) const {
    const Section *s = findSection(section);
    return s && s->lastEntry >= 0;
}

void IniDocument::writeText(const QString &section, const QString &key, const QString &value) {
    const QString sec = trimBlanks(section).toString();
    const QString k = trimBlanks(key).toString();
    if (sec.isEmpty() || hasLineBreak(sec) || sec.contains(QLatin1Char(']')))
        throw AppError(QStringLiteral("Недопустимое имя раздела %1").arg(quotedText(section)));
    if (k.isEmpty() || hasLineBreak(k) || k.contains(QLatin1Char('=')) ||
        k.startsWith(QLatin1Char('[')) || k.startsWith(QLatin1Char(';')))
        throw AppError(QStringLiteral("Недопустимое имя ключа %1 в разделе [%2]").arg(quotedText(key), visibleText(sec)));
    if (hasLineBreak(value))
        throw AppError(QStringLiteral("Значение ключа \"%1\" в разделе [%2] содержит перевод строки: %3")
                           .arg(visibleText(k), visibleText(sec), quotedText(value)));

    const auto it = m_sectionByName.constFind(sec.toCaseFolded());
    if (it == m_sectionByName.constEnd()) {
        appendLine(QLatin1Char('[') + sec + QLatin1Char(']'));
        appendLine(k + QLatin1Char('=') + value);
        return;
    }
    const Section &s = m_sections[*it];
    const int line = m_entries.value(EntryKey{*it, k.toCaseFolded()}, -1);
    if (line >= 0) {
        // The key keeps the spelling it had in the file.
        const QString &old = m_lines.at(line);
        const QStringView oldKey = trimBlanks(QStringView(old).left(old.indexOf(QLatin1Char('='))));
        const QString replaced = oldKey.toString() + QLatin1Char('=') + value;
        m_byteSize += replaced.size() - old.size();
        m_lines[line] = replaced;
        return;
    }
    const int pos = (s.lastEntry >= 0 ? s.lastEntry : s.header) + 1;
    if (pos == m_lines.size()) {
        appendLine(k + QLatin1Char('=') + value);
    } else {
        m_lines.insert(pos, k + QLatin1Char('=') + value);
        reindex();
    }
}

void IniDocument::writeNumber(const QString &section, const QString &key, int32_t value) {
    writeText(section, key, QString::number(value));
}

QByteArray IniDocument::toBytes() const {
    qsizetype size = 0;
    for (const QString &l : m_lines)
        size += l.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString &l : m_lines) {
        text += l;
        text += QLatin1String("\r\n");
    }
    return toCp1251(text);
}

} // namespace tolvin
