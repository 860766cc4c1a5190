// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFormMain: the main window, editor of one station configuration.
#include "check/data_check.h"
#include "gui/editor_host.h"
#include "layout/station_models.h"
#include "table/editor_snapshot.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <optional>
#include <utility>

class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QUndoStack;

namespace tolvin {
class ExchangeLogWindow;
class Journal;
class JournalWindow;
class DifferencesWindow;
class BatchWindow;
class StringGrid;
class CellEditors;
}

// The handlers are spread over files by what they do: UnitMain.cpp (the actions and the grid),
// UnitMain_menus.cpp, UnitMain_undo.cpp, UnitMain_keys.cpp and UnitMain_clipboard.cpp.
class TFormMain : public QMainWindow, public tolvin::EditorHost {
    Q_OBJECT
public:
    explicit TFormMain(tolvin::Operator &op, QWidget *parent = nullptr);
    ~TFormMain() override;

    tolvin::Editor &editor() override { return m_editor; }
    tolvin::Operator &op() override { return m_op; }
    // The windows that take over from this one; `open` shows the link window ready for work.
    // Closing this window closes them too.
    void setLinkWindow(QWidget *window, std::function<void()> open) {
        m_linkWindow = window;
        m_openLinkWindow = std::move(open);
    }

    // Runs one user action: widgets into the editor, the action inside the error boundary,
    // the editor back onto the widgets.
    // An action that changes the configuration names its undo step; the step holds the table,
    // the boxes and the settings text from before the action to after it.
    using EditorHost::act;
    bool act(const std::function<void()> &action, const QString &undoStep) override;
    // Ends an undo step at the editor as it is now (a finished station read, say).
    void recordUndo(const QString &step) override;
    // A station read's phase into the editor: like act(), but the settings text it rewrites is
    // not the technician's typing, and the read becomes one undo step only once it has ended.
    void applyStationRead(const std::function<void()> &phase) override;
    // Puts a whole editor back (a station read that failed half-way), with every view of it.
    void replaceEditor(const tolvin::Editor &ed) override;
    bool mayDiscardWork() override;
    void markUnchanged(const QString &fileName) override;
    // A table is shown and differs from what was last loaded, saved, read or let go.
    bool isModified();
    // The settings file the table was last loaded from or saved to; empty when none.
    QString fileName() const { return m_fileName; }
    QUndoStack *undoStack() const { return m_undo; }
    // The bytes of the last exchanges with the station; the link window records into it.
    std::shared_ptr<tolvin::ExchangeLog> exchangeLog() override { return m_exchangeLog; }
    QWidget *hostWindow() override { return this; }
    tolvin::ExchangeLogWindow *exchangeLogWindow() const { return m_logWindow; }
    // The station journal the program keeps, owned by whoever runs the windows; null: none.
    void setJournal(tolvin::Journal *journal) { m_journal = journal; }
    tolvin::Journal *journal() override { return m_journal; }
    tolvin::JournalWindow *journalWindow() const { return m_journalWindow; }
    // "Журнал станций"
    void JournalClick();
    // "Серия станций…"
    void BatchClick();
    tolvin::BatchWindow *batchWindow() const { return m_batchWindow; }
    // An entry's settings file into the editor, as "Чтение файла" loads one: asks first about
    // unsaved work, and is one undo step. False when nothing was loaded.
    bool openJournalConfig(const QByteArray &settingsFile, const QString &name);
    // Shows the editor's state on the widgets (after the core changed it).
    void showEditor();
    // Takes what the user typed in the memo and the template fields into the editor.
    void pullEditor();

    // Controls, under their form names.
    QWidget *Panel1 = nullptr;
    QFrame *Panel2 = nullptr;
    QFrame *Panel3 = nullptr;
    QLineEdit *Edit1 = nullptr;   // channel count
    QLineEdit *Edit2 = nullptr;   // start frequency
    QLineEdit *Edit3 = nullptr;   // step
    QLineEdit *Edit4 = nullptr;   // repeater channel number
    QPushButton *BitBtn1 = nullptr;  // template "Ok"
    QPushButton *RepeaterWriteButton = nullptr;
    QPushButton *RepeaterCloseButton = nullptr;
    QRadioButton *RadioReceive = nullptr;
    QRadioButton *RadioTransmit = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    tolvin::StringGrid *StringGrid1 = nullptr;
    tolvin::CellEditors *cellEditors = nullptr;
    QLabel *StartHint = nullptr;     // where the table will be, until there is one

    // Menu items.
    QAction *CreateTemplateItem = nullptr;
    QAction *SaveItem = nullptr;
    QAction *LoadItem = nullptr;
    QAction *RepeaterItem = nullptr;
    QAction *CheckItem = nullptr;
    QAction *ReportItem = nullptr;
    QAction *LinkItem = nullptr;
    QAction *ExitItem = nullptr;
    QAction *AboutItem = nullptr;
    QAction *UndoItem = nullptr;
    QAction *RedoItem = nullptr;
    QAction *CopyItem = nullptr;
    QAction *PasteItem = nullptr;
    QAction *ImportCsvItem = nullptr;
    QAction *ExportCsvItem = nullptr;
    QAction *ExchangeLogItem = nullptr;
    QAction *JournalItem = nullptr;
    QAction *SaveAsItem = nullptr;
    QAction *CompareItem = nullptr;
    QAction *ClearItem = nullptr;
    QAction *InsertRowItem = nullptr;
    QAction *DeleteRowsItem = nullptr;
    QAction *MoveUpItem = nullptr;
    QAction *MoveDownItem = nullptr;
    QAction *SortByRxItem = nullptr;
    QAction *SortByNumberItem = nullptr;
    QAction *RenumberItem = nullptr;
    QAction *PrintReportItem = nullptr;
    QAction *PdfReportItem = nullptr;
    QAction *BatchItem = nullptr;
    std::array<QAction *, tolvin::BandMenuItems> BandItems{};    // menu order, [1] is the inert 57-57,5 МГц
    std::array<QAction *, 6> ModuleItems{};

    // Menu handlers.
    void CreateTemplateClick();
    void N3Click();   // "Запись в файл"
    void N4Click();   // "Чтение файла"
    void RepeaterClick();
    void CheckClick();
    // What "Создать" of the report window makes: the document, a printout or a PDF file.
    enum class ReportOutput { Document, Print, Pdf };
    // The report window and how to tell it what its "Создать" makes.
    void setReportWindow(QWidget *window, std::function<void(ReportOutput)> prepare = nullptr) {
        m_reportWindow = window;
        m_prepareReport = std::move(prepare);
    }
    void ReportClick(ReportOutput output = ReportOutput::Document);
    void LinkClick();
    void ExitClick();
    void AboutClick();   // "О программе": version and licence
    void CopyClick();
    void PasteClick();
    void ImportCsvClick();
    void ExportCsvClick();
    void SaveAsClick();            // "Записать как…": always asks for the file
    void CompareClick();           // "Сравнить с файлом…"
    // Channel rows (UnitMain_rows.cpp): each one undo step, on the selected rows or the current one.
    void ClearCellsClick();        // the selected number and frequency cells
    void InsertChannelClick();
    void DeleteChannelsClick();
    void MoveChannelsClick(int delta);
    void SortChannelsClick(bool byNumber);
    void RenumberClick();
    // A letter or digit typed on a list cell: the cell's own list item it begins, as the list's
    // own search would pick it.
    void typedOnListCell(int col, int row, const QString &typed);
    void BandClick(int band);      // a band of the model table, from 1
    void ModuleClick(int item);    // 0..5

    // Template panel.
    void BitBtn1Click();
    bool Edit1KeyPress(QChar key);
    bool Edit2KeyPress(QChar key);
    bool Edit3KeyPress(QChar key);
    bool Edit4KeyPress(QChar key);

    // Repeater panel.
    void RepeaterWriteClick();   // "Запись"
    void RepeaterCloseClick();

    // The eight list editors: a pick writes its item into the cell; leaving the list without a
    // pick leaves the cell as it was.
#define TOLVIN_LIST_HANDLERS(n) \
    void ComboBox##n##Change() { listPicked(n); } \
    void ComboBox##n##Exit() { listLeft(n); }
    TOLVIN_LIST_HANDLERS(1) TOLVIN_LIST_HANDLERS(2) TOLVIN_LIST_HANDLERS(3) TOLVIN_LIST_HANDLERS(4)
    TOLVIN_LIST_HANDLERS(5) TOLVIN_LIST_HANDLERS(6) TOLVIN_LIST_HANDLERS(7) TOLVIN_LIST_HANDLERS(8)
#undef TOLVIN_LIST_HANDLERS
    void listPicked(int listNumber); // 1..8
    void listLeft(int listNumber);
    // An arrow or paging key on a closed list moves the grid instead.
    void listNavigated(int listNumber, int key, Qt::KeyboardModifiers modifiers);

    // Grid.
    void StringGrid1SelectCell(int col, int row);
    void StringGrid1KeyDown(int key);

    // Check-box overlays, one set per check-box column (12, 14, 17).
    void AddCheckBoxes();
    void AddCheckBoxes_1();
    void AddCheckBoxes_2();
    void clean_previus_buffer();
    void clean_previus_buffer_1();
    void clean_previus_buffer_2();
    void set_checkbox_alignment();
    void set_checkbox_alignment_1();
    void set_checkbox_alignment_2();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QStringList memoLines() const;
    // Selects the cell or the settings line a failed check names.
    void pointAt(const tolvin::CheckPlace &place);
    void buildMenus();
    // The actions that work on the grid's selection, by shortcut while the grid or one of its
    // lists has the keyboard.
    QList<QAction *> gridActions() const {
        return {CopyItem, PasteItem, InsertRowItem, DeleteRowsItem, MoveUpItem, MoveDownItem};
    }
    // Whole-row work: the rows the technician selected, the action, then the grid showing the
    // rows it returned selected.
    void rowAction(const QString &undoStep,
                   const std::function<std::optional<std::pair<int, int>>(int first, int last)> &action);
    // The band and module items ticked as the editor has them, whatever was last clicked.
    void showMenuTicks();
    void buildPanels();
    // The editing area fills the window; the table takes what is beyond the original size.
    void layoutPanels(const QSize &client);
    void addCheckBoxesOf(int col);
    void cleanBufferOf(int col);
    void alignCheckBoxesOf(int col);
    void installKeyFilter(QLineEdit *field);
    bool filterKey(QObject *field, const QKeyEvent *ke);
    bool fieldKeyPress(QObject *field, QChar key);
    bool keyAllowed(QObject *field, QChar key) const;
    bool keyPress(QObject *field, QChar key);
    void hideList(QComboBox *box);
    void restore(const tolvin::EditorSnapshot &snapshot);
    // "Запись в файл" with its dialog; true once the file is written.
    bool saveSettingsInteractively();
    // Into the table's own file without a dialog when it has one; else as above.
    bool saveSettings();
    bool saveSettingsTo(const QString &knownPath);  // empty: the dialog asks
    QString m_typedOnList;                // letters typed on list cells, while they follow quickly
    qint64 m_typedOnListAt = 0;
    // The dialog offers the file last loaded or saved, else the folder last used.
    tolvin::FileDialogRequest offered(tolvin::FileDialogRequest request) const;
    tolvin::EditorSnapshot m_unchanged;  // the editor as last loaded, saved, read or let go
    QString m_fileName;                  // the file the table is, until a new table replaces it
    QString m_lastFile;                  // the file last loaded or saved, which the dialogs offer
    class UndoStep;
    QUndoStack *m_undo = nullptr;
    tolvin::EditorSnapshot m_undoBase;   // the editor as the last undo step left it
    bool m_restoring = false;
    int m_actDepth = 0;
    std::shared_ptr<tolvin::ExchangeLog> m_exchangeLog = std::make_shared<tolvin::ExchangeLog>();
    tolvin::ExchangeLogWindow *m_logWindow = nullptr;
    tolvin::Journal *m_journal = nullptr;
    tolvin::JournalWindow *m_journalWindow = nullptr;
    tolvin::DifferencesWindow *m_differences = nullptr;
    tolvin::BatchWindow *m_batchWindow = nullptr;

    tolvin::Operator &m_op;
    tolvin::Editor m_editor;
    QWidget *m_linkWindow = nullptr;
    std::function<void()> m_openLinkWindow;
    QWidget *m_reportWindow = nullptr;
    std::function<void(ReportOutput)> m_prepareReport;
};
