// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's clipboard and CHIRP CSV: blocks of cells to and from a spreadsheet, channels
// to and from another programmer.
#include "UnitMain.h"

#include "common/delimited_text.h"
#include "common/file_io.h"
#include "gui/cell_editors.h"
#include "gui/string_grid.h"
#include "gui/window_memory.h"
#include "table/bands.h"
#include "table/chirp_csv.h"
#include "table/table_clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <climits>

using namespace tolvin;

void TFormMain::CopyClick() {
    const QModelIndexList selected = StringGrid1->selectionModel()->selectedIndexes();
    int left = StringGrid1->currentCol(), right = left, top = StringGrid1->currentRow(), bottom = top;
    if (!selected.isEmpty()) {
        left = top = INT_MAX;
        right = bottom = -1;
        for (const QModelIndex &i : selected) {
            left = qMin(left, i.column());
            right = qMax(right, i.column());
            top = qMin(top, i.row() + 1);
            bottom = qMax(bottom, i.row() + 1);
        }
    }
    if (left < 0 || top < 1)
        return;
    QApplication::clipboard()->setText(copyCells(m_editor.table, left, top, right, bottom));
}

void TFormMain::PasteClick() {
    const int col = StringGrid1->currentCol();
    const int row = StringGrid1->currentRow();
    if (col < 0 || row < 1)
        return;
    const QString text = QApplication::clipboard()->text();
    act([&] {
        if (QComboBox *box = cellEditors->visibleList())
            box->hide();
        const PasteOutcome outcome = pasteCells(m_editor.table, col, row, parseDelimited(text, QLatin1Char('\t')));
        StringGrid1->viewport()->update();
        recordUndo(QStringLiteral("Вставка"));
        if (!outcome.message().isEmpty())
            m_op.message(outcome.message());
    });
}

namespace {
QString dialogFolder() {
    const QString folder = rememberedFolder();
    return folder.isEmpty() ? QDir::homePath() : folder;
}
} // namespace

void TFormMain::ImportCsvClick() {
    if (!mayDiscardWork())
        return;
    act([&] {
        // Which band the channels are judged against, as --model of tolvin-cli: the band in use
        // unless the technician picks another.
        QStringList models;
        int offered = 0;
        for (const StationModelRow &m : StationModels) {
            if (m.band == m_editor.state.tickedBand)
                offered = int(models.size());
            models << QStringLiteral("%1 (%2)").arg(QString::fromUtf16(m.title), QString::fromUtf16(m.caption));
        }
        const int picked = m_op.choose(QStringLiteral("Импорт каналов из CSV (CHIRP)"),
                                       QStringLiteral("Тип радиостанции:"), models, offered);
        if (picked < 0 || picked >= int(StationModels.size()))
            return;
        const int band = StationModels[size_t(picked)].band;
        const QString path = m_op.openFileName(FileDialogRequest{QStringLiteral("Импорт каналов из CSV (CHIRP)"),
                                                                 QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"),
                                                                 QString(), dialogFolder()});
        if (path.isEmpty())
            return;
        rememberFileFolder(path);
        const CsvImport import = importChirpCsv(QString::fromUtf8(readSavedFileBytes(path)), bandRow(band).settings);
        // A file with nothing for this band would only put an empty table in place of the one
        // on the screen: the band and the table stay.
        if (import.rows.isEmpty()) {
            m_op.message(import.nothingTaken(band) + QStringLiteral("\n\nТаблица не изменена"));
            return;
        }
        // The unsaved work was asked about above, so this is the menu's band change without its question.
        if (band != m_editor.state.tickedBand)
            selectBand(m_editor, band);
        applyCsvImport(m_editor, import);
        m_fileName.clear();
        StringGrid1->reload();
        recordUndo(QStringLiteral("Импорт CSV"));
        m_op.message(import.summary());
    });
}

void TFormMain::ExportCsvClick() {
    act([&] {
        const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Экспорт каналов в CSV (CHIRP)"),
                                                                 QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"),
                                                                 QStringLiteral("channels.csv"), dialogFolder()});
        if (path.isEmpty())
            return;
        rememberFileFolder(path);
        const CsvExport out = exportChirpCsv(m_editor.table);
        writeFileAtomically(path, out.csv);
        if (!out.summary().isEmpty())
            m_op.message(out.summary());
    });
}

