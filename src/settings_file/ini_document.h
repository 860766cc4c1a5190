// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An INI text held in memory, looked up the way the private-profile functions of the original
// platform do: section and key names without regard to letter case (Cyrillic included) and
// without the blanks around names and values.
//
// Choices where those functions leave room:
// - A header is a line whose first non-blank character is '['; the name runs to the last ']'
//   of the line (or to its end when there is none).
// - An entry is a line with '=' and a non-empty name before it. Lines starting with ';' are
//   comments; lines without '=' and blank lines are kept but are not entries, so a section
//   holding only such lines counts as missing for hasSection().
// - Lines before the first header belong to no section and are never read.
// - Duplicates: the first section of a name and the first key of a name in it win, for reads
//   and writes alike; a later duplicate section is invisible.
// - Values are taken as they stand between the blanks: quotes are not stripped, so every text
//   written reads back unchanged.
// - CR LF, LF and CR each end a line, mixed as they come: files pass through editors and tools
//   that write any of them, and a CR left inside a value would make a correct value fail the
//   check and refuse to be saved again.
//
// Cost is linear in the text and independent of its shape: one index of sections and one of
// entries for the whole document, so that a megabyte of tiny sections costs what a megabyte of
// channels does.
#include <QByteArray>
#include <QHash>
#include <QHashFunctions>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace tolvin {

class IniDocument {
public:
    IniDocument() = default;

    // Code page 1251, or UTF-8 where the bytes say so (text_encoding.h).
    static IniDocument fromBytes(const QByteArray &bytes);
    // Lines as an editor holds them; a line holding line ends becomes the lines it would be on
    // disk.
    static IniDocument fromLines(const QStringList &lines);

    std::optional<QString> value(const QString &section, const QString &key) const;
    QString readText(const QString &section, const QString &key, const QString &def) const;
    // "0x" at the start becomes "$", then the integer rules of the number forms; any failure
    // (missing key, empty text, stray character, overflow) gives the default.
    int32_t readNumber(const QString &section, const QString &key, int32_t def) const;
    bool hasSection(const QString &section) const; // a header without entries counts as missing

    // A name as lookups compare it: without the blanks around it, case folded.
    static QString foldName(const QString &name);
    // readText for several keys of one section (keys as foldName gives them), in one pass over
    // the section's lines: a reader that takes whole sections pays for the lines it reads, not
    // for a lookup per key.
    QStringList readTexts(const QString &section, const QStringList &foldedKeys, const QStringList &defaults) const;

    // Replaces the value in the key's own line; adds a missing key after the last entry of its
    // section; adds a missing section, with the key, at the end. Names and values that would
    // break the line structure (line breaks, '=' in a key, ']' in a section) raise AppError.
    void writeText(const QString &section, const QString &key, const QString &value);
    void writeNumber(const QString &section, const QString &key, int32_t value);

    QStringList lines() const { return m_lines; }
    QByteArray toBytes() const; // code page 1251, CR LF after every line
    // The size of toBytes(), kept as lines change: a writer can stop before a document grows
    // past what a reader would take.
    qsizetype byteSize() const { return m_byteSize; }

private:
    struct Section {
        int header = -1;
        int lastEntry = -1;          // line of the last entry, -1 while there is none
        int end = -1;                // the next header line, -1 while the section runs to the end
    };
    struct EntryKey {
        int section;
        QString key;                 // folded
        bool operator==(const EntryKey &) const = default;
        friend size_t qHash(const EntryKey &k, size_t seed = 0) { return qHashMulti(seed, k.section, k.key); }
    };

    void appendLine(const QString &line);
    void reindex();
    void indexLine(int line, int &current);
    const Section *findSection(const QString &section) const;
    int findEntry(const QString &section, const QString &key) const;

    QStringList m_lines;
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionByName; // folded name -> first section of that name
    QHash<EntryKey, int> m_entries;      // section and folded key -> line of its first entry
    int m_current = -1;                  // section the last line belongs to, -1 none or ignored
    qsizetype m_byteSize = 0;
};

} // namespace tolvin
