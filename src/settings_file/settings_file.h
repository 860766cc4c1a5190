// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: a whole station configuration (general settings block, station type and
// module codes, channel table) as one INI text in code page 1251. The menu handlers show the
// dialogs; these functions do the rest, and the CLI calls the same ones.
#include "common/operator.h"
#include "table/editor.h"

#include <QString>
#include <array>

namespace tolvin {

// Section of the general settings block and of the two codes.
QString generalSection();

struct ChannelKey {
    const char16_t *key;
    int column;
    const char16_t *def;
};
// The 18 keys of a channel section, in the order they are written.
const std::array<ChannelKey, 18> &channelKeys();

// The file's bytes for the editor's configuration. Refuses (AppError) while any channel row
// lacks a check-box state: then there is no table to save; and when the file would grow past
// what loadSettingsFile reads (thousands of channels, only from a file of tiny sections).
QByteArray settingsFileBytes(const Editor &ed);

// Loading refuses a file without channel rows ("нет таблицы каналов"), so the window and the
// template refuse to make one, with this text.
QString noChannelRowsMessage();

// Writes the file safely: the old file stays as it was unless the new one is complete on disk.
// Throws AppError (no table) or IoError (path and reason); changes no editor state.
void saveSettingsFile(const Editor &ed, const QString &path);

// Replaces the editor's configuration with the file's: general block, codes, band and module,
// channel rows and their boxes; leaves the configuration unchecked. Throws IoError when the
// file cannot be read and AppError when it holds no channel table; the editor is then
// unchanged.
void loadSettingsFile(Editor &ed, const QString &path);
// The same for bytes already read; `path` names the file in messages.
void loadSettingsBytes(Editor &ed, const QByteArray &bytes, const QString &path);

// The two dialogs of the "Каналы" menu.
FileDialogRequest saveDialogRequest();
FileDialogRequest openDialogRequest();

} // namespace tolvin
