// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's settings files and unsaved work: "Запись в файл", "Чтение файла", and the
// question before anything replaces a table that was changed.
#include "UnitMain.h"
#include "gui/journal_window.h"
#include "journal/journal.h"

#include "gui/string_grid.h"
#include "gui/window_memory.h"
#include "common/errors.h"
#include "common/file_io.h"
#include "gui/batch_window.h"
#include "gui/differences_window.h"
#include "settings_file/settings_file.h"
#include "station_link/configuration_compare.h"

#include <QDir>
#include <QFileInfo>

using namespace tolvin;

FileDialogRequest TFormMain::offered(FileDialogRequest request) const {
    const QString last = !m_lastFile.isEmpty() ? m_lastFile : rememberedFile();
    if (!last.isEmpty() && QFileInfo(last).absoluteDir().exists()) {
        const QFileInfo file(last);
        request.initialFolder = file.absolutePath();
        request.proposedName = file.fileName();
    } else if (const QString folder = rememberedFolder(); !folder.isEmpty()) {
        request.initialFolder = folder;
    }
    return request;
}

bool TFormMain::saveSettingsInteractively() {
    return saveSettingsTo(QString());
}

bool TFormMain::saveSettings() {
    return saveSettingsTo(m_fileName);
}

bool TFormMain::saveSettingsTo(const QString &knownPath) {
    bool saved = false;
    act([&] {
        // Refused before any dialog: there is nothing to choose a file for.
        if (!m_editor.view.grid) {
            m_op.message(QStringLiteral("Таблицы каналов еще нет: создайте шаблон, откройте файл настроек или "
                                        "прочитайте станцию. Файл не записан."));
            return;
        }
        if (m_editor.table.channelCount() == 0) {
            m_op.message(noChannelRowsMessage());
            return;
        }
        const QString path = !knownPath.isEmpty() ? knownPath : m_op.saveFileName(offered(saveDialogRequest()));
        if (path.isEmpty())
            return;
        saveSettingsFile(m_editor, path);
        rememberFileFolder(path, true);
        markUnchanged(path);
        saved = true;
    });
    return saved;
}

void TFormMain::N3Click() {
    saveSettings();
}

void TFormMain::SaveAsClick() {
    saveSettingsInteractively();
}

void TFormMain::N4Click() {
    if (!mayDiscardWork())
        return;
    act([&] {
        const QString path = m_op.openFileName(offered(openDialogRequest()));
        if (path.isEmpty())
            return;
        // The file as the last save that finished left it, until the technician says otherwise.
        bool earlierVersion = false;
        try {
            loadSettingsFile(m_editor, path);
        } catch (const InterruptedSaveError &e) {
            const QString question =
                e.message() +
                QStringLiteral(".\n\nФайл может содержать часть новых данных и часть прежних. Прежняя версия "
                               "откроется как измененная таблица этого файла, и «Запись в файл» вернет ее в файл.");
            switch (m_op.askThreeWay(question, QStringLiteral("Открыть прежнюю версию"),
                                     QStringLiteral("Открыть файл как есть"))) {
            case ThreeWayAnswer::First:
                loadSettingsBytes(m_editor, readFileBytes(e.copy()), path);
                earlierVersion = true;
                break;
            case ThreeWayAnswer::Second:
                loadSettingsBytes(m_editor, readFileBytes(path), path);
                break;
            case ThreeWayAnswer::Cancel:
                return;
            }
        }
        rememberFileFolder(path, true);
        StringGrid1->reload();
        markUnchanged(path);
        // Not yet what the file holds: closing or replacing the table asks to save it there.
        if (earlierVersion)
            m_unchanged = EditorSnapshot{};
    }, QStringLiteral("Чтение файла"));
}


void TFormMain::BatchClick() {
    if (!m_batchWindow) {
        const JournalPlace place = m_journal ? m_journal->place() : configuredJournalPlace();
        const QString ledger = place.kind == JournalPlace::Kind::Sqlite ? place.path : localJournalPath();
        QDir().mkpath(QFileInfo(ledger).absolutePath());
        m_batchWindow = new BatchWindow(m_op, m_journal, ledger);
        m_batchWindow->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_batchWindow->offer(m_fileName.isEmpty() ? m_lastFile : m_fileName);
    m_batchWindow->listPorts();
    m_batchWindow->show();
    m_batchWindow->raise();
    m_batchWindow->activateWindow();
}

void TFormMain::JournalClick() {
    if (!m_journalWindow) {
        const JournalPlace place = m_journal ? m_journal->place() : configuredJournalPlace();
        m_journalWindow = new JournalWindow(place, m_op, [this](const QByteArray &file, const QString &name) {
            return openJournalConfig(file, name);
        });
        m_journalWindow->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}

bool TFormMain::openJournalConfig(const QByteArray &settingsFile, const QString &name) {
    if (!mayDiscardWork())
        return false;
    bool loaded = false;
    act([&] {
        loadSettingsBytes(m_editor, settingsFile, name);
        StringGrid1->reload();
        // What the journal holds is nothing to lose; saving it asks for a file.
        markUnchanged(QString());
        loaded = true;
    }, QStringLiteral("Чтение из журнала"));
    if (loaded) {
        raise();
        activateWindow();
    }
    return loaded;
}

void TFormMain::markUnchanged(const QString &fileName) {
    m_fileName = fileName;
    if (!fileName.isEmpty())
        m_lastFile = fileName;
    m_unchanged = takeSnapshot(m_editor);
}

bool TFormMain::isModified() {
    pullEditor();
    if (!m_editor.view.grid || m_editor.table.channelCount() == 0)
        return false;
    return takeSnapshot(m_editor) != m_unchanged;
}

bool TFormMain::mayDiscardWork() {
    if (!isModified())
        return true;
    const QString name = m_fileName.isEmpty() ? QStringLiteral("Без имени") : QFileInfo(m_fileName).fileName();
    switch (m_op.askToSave(QStringLiteral("Сохранить изменения в «%1»?").arg(name))) {
    case SaveAnswer::Save:
        return saveSettings();
    case SaveAnswer::Discard:
        // Let go: the same table does not ask again, an edit to it does.
        m_unchanged = takeSnapshot(m_editor);
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

void TFormMain::CompareClick() {
    act([&] {
        if (!m_editor.view.grid) {
            m_op.message(QStringLiteral("Таблицы каналов еще нет: сравнивать не с чем"));
            return;
        }
        const QString path = m_op.openFileName(offered(openDialogRequest()));
        if (path.isEmpty())
            return;
        Editor other;
        // A file whose last save was cut off is compared as it stands: comparing changes nothing.
        try {
            loadSettingsFile(other, path);
        } catch (const InterruptedSaveError &) {
            loadSettingsBytes(other, readFileBytes(path), path);
        }
        const QString name = QFileInfo(path).fileName();
        const ConfigurationComparison c = compareConfigurations(m_editor, other, name);
        if (!c.compared()) {
            m_op.message((c.unchecked == 1 ? QStringLiteral("Сравнение невозможно: таблица не проходит контроль")
                                           : QStringLiteral("Сравнение невозможно: файл %1 не проходит контроль").arg(name)) +
                         QStringLiteral("\n") + c.message);
            return;
        }
        if (c.differences.isEmpty()) {
            m_op.message(QStringLiteral("Таблица совпадает с файлом %1").arg(name));
            return;
        }
        if (!m_differences)
            m_differences = new DifferencesWindow(m_op, this);
        m_differences->setWindowTitle(QStringLiteral("Отличия файла от таблицы"));
        m_differences->showList(QStringLiteral("Отличия файла %1 от таблицы (значение файла первым):").arg(name),
                                c.differences, QStringLiteral("отличия_%1.txt").arg(QFileInfo(path).completeBaseName()));
        m_differences->show();
        m_differences->raise();
        m_differences->activateWindow();
    });
}
