// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file/settings_file.h"

#include "common/cp1251.h"
#include "common/errors.h"
#include "common/file_io.h"
#include "layout/general_keys.h"
#include "settings_file/ini_document.h"

#include <QDir>

namespace tolvin {
namespace {

const QString kTypeKey = QStringLiteral("Тип");
const QString kModuleKey = QStringLiteral("ТипВУ");
const QString kYes = QStringLiteral("да");
const QString kNo = QStringLiteral("нет");

QString str(const char16_t *s) { return QString::fromUtf16(s); }

// The channel keys (as written and as lookups compare them) and their defaults, made once: a
// file of many sections then costs the lines it has, not new strings for every key of every row.
struct ChannelKeyTexts {
    std::array<QString, 18> key;
    QStringList folded, def;
    ChannelKeyTexts() {
        for (size_t i = 0; i < channelKeys().size(); ++i) {
            key[i] = str(channelKeys()[i].key);
            folded << IniDocument::foldName(key[i]);
            def << str(channelKeys()[i].def);
        }
    }
};
const ChannelKeyTexts &channelKeyTexts() {
    static const ChannelKeyTexts t;
    return t;
}

// A file the reader would refuse is not worth writing: the save stops at the reader's limit.
void requireReadableSize(const IniDocument &doc, int channels) {
    if (doc.byteSize() > MaxInputFileBytes)
        throw AppError(QStringLiteral("Таблица из %1 каналов не помещается в файл настроек: он был бы больше %2, "
                                      "и программа не смогла бы прочитать его снова")
                           .arg(channels)
                           .arg(sizeText(MaxInputFileBytes)));
}

// A row whose boxes were never made (start-up) or were removed (band change) has no flags to
// store; writing "нет" for them would silently turn channels off.
void requireTable(const ChannelTable &t) {
    for (int r = 1; r < t.rowCount(); ++r)
        for (int col : CheckboxColumns)
            if (!t.hasFlag(col, r))
                throw AppError(QStringLiteral(
                    "Нет таблицы каналов для записи в файл. Создайте шаблон или прочитайте "
                    "данные из файла или из станции"));
}

} // namespace

QString generalSection() { return QStringLiteral("Общие установки"); }

const std::array<ChannelKey, 18> &channelKeys() {
    static const std::array<ChannelKey, 18> keys{{
        {u"Номер", ColNumber, u"1"}, {u"Rx", ColRx, u"144000"}, {u"Tx", ColTx, u"144000"},
        {u"CTCSS_Rx", ColCtcRx, u"Нет"}, {u"CTCSS_Tx", ColCtcTx, u"Нет"},
        {u"DCS_Rx", ColDcsRx, u"Нет"}, {u"DCS_Tx", ColDcsTx, u"Нет"},
        {u"Тон_Rx", ColToneRx, u"Нет"}, {u"Тон_Tx", ColToneTx, u"Нет"},
        {u"ШП", ColNoise, u"1"}, {u"P_max", ColPmax, u"1"}, {u"P_min", ColPmin, u"1"},
        {u"Сканировать", ColScan, u"нет"}, {u"Sw", ColSpacing, u"25"},
        {u"Id_Тон", ColIdTone, u"нет"}, {u"Tx_Off", ColTxOff, u"Норм"},
        {u"Время", ColTime, u"Нет"}, {u"Активен", ColActive, u"нет"},
    }};
    return keys;
}

QByteArray settingsFileBytes(const Editor &ed) {
    const ChannelTable &t = ed.table;
    requireTable(t);

    // The block goes to disk as plain lines first and is then read back as INI text; going
    // through the bytes keeps the result identical to that, characters outside the code page
    // included.
    QString block;
    for (const QString &line : ed.memo) {
        block += line;
        block += QLatin1String("\r\n");
    }
    IniDocument doc = IniDocument::fromBytes(toCp1251(block));
    doc.writeNumber(generalSection(), kTypeKey, ed.state.StationType);
    doc.writeNumber(generalSection(), kModuleKey, ed.state.ModuleType);
    requireReadableSize(doc, t.channelCount());

    const ChannelKeyTexts &keys = channelKeyTexts();
    for (int r = 1; r < t.rowCount(); ++r) {
        const QString section = QString::number(r);
        for (size_t i = 0; i < channelKeys().size(); ++i) {
            const int col = channelKeys()[i].column;
            const QString value = isCheckboxColumn(col) ? (t.flag(col, r) ? kYes : kNo) : t.cell(col, r);
            doc.writeText(section, keys.key[i], value);
        }
        requireReadableSize(doc, t.channelCount());
    }
    return doc.toBytes();
}

QString noChannelRowsMessage() {
    return QStringLiteral("В таблице нет ни одного канала: такой файл нельзя будет прочитать снова. Файл не записан.");
}

void saveSettingsFile(const Editor &ed, const QString &path) {
    writeFileAtomically(path, settingsFileBytes(ed));
}

void loadSettingsFile(Editor &ed, const QString &path) {
    loadSettingsBytes(ed, readSavedFileBytes(path), path);
}

void loadSettingsBytes(Editor &ed, const QByteArray &bytes, const QString &path) {
    // Everything that can fail happens before the editor is touched.
    const IniDocument doc = IniDocument::fromBytes(bytes);
    if (!doc.hasSection(QStringLiteral("1")))
        throw AppError(QStringLiteral("В файле %1 нет таблицы каналов").arg(QDir::toNativeSeparators(path)));

    const QString general = generalSection();
    QStringList memo{QLatin1Char('[') + general + QLatin1Char(']')};
    for (const GeneralKey &k : GeneralKeys)
        memo << str(k.key) + QLatin1Char('=') + doc.readText(general, str(k.key), str(k.fileDefault));
    ed.memo = memo;

    EditorState &st = ed.state;
    st.StationType = static_cast<uint8_t>(doc.readNumber(general, kTypeKey, 0) & 0xFF);
    st.ModuleType = static_cast<uint8_t>(doc.readNumber(general, kModuleKey, 0) & 0xFF);
    selectBandByStationType(ed, st.StationType); // a code no model has: no band, the code stays
    chooseModule(ed, st.ModuleType);             // 6..255: no tick, the code stays

    ed.view.panel1 = true;
    ed.view.memo = true;
    ed.view.grid = true;
    st.DataChecked = 0;

    ChannelTable &t = ed.table;
    int rows = 1;
    while (doc.hasSection(QString::number(rows)))
        ++rows;
    t.setRowCount(1);
    t.setRowCount(rows);
    t.setRowTexts(0, fileColumnHeaders());
    createAllOverlays(ed);
    st.PrevRowCount = rows;

    const ChannelKeyTexts &keys = channelKeyTexts();
    for (int r = 1; r < rows; ++r) {
        const QStringList values = doc.readTexts(QString::number(r), keys.folded, keys.def);
        for (size_t i = 0; i < channelKeys().size(); ++i) {
            const int col = channelKeys()[i].column;
            const QString &value = values[qsizetype(i)];
            if (isCheckboxColumn(col))
                t.setFlag(col, r, value != kNo);
            else
                t.setCell(col, r, value);
        }
    }
}

FileDialogRequest saveDialogRequest() {
    return FileDialogRequest{QStringLiteral("Сохранение данных радиостанции на диск"),
                             QStringLiteral("Файлы(*.ini)"), QStringLiteral("ini"),
                             QStringLiteral("Q7KM_10.ini"), QDir::homePath()};
}

FileDialogRequest openDialogRequest() {
    return FileDialogRequest{QString(), QStringLiteral("Файлы(*.ini)"), QStringLiteral("ini"), QString(),
                             QDir::homePath()};
}

} // namespace tolvin
