// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two configurations compared as "Сравнить со станцией" compares one with a station: by the images
// the data check builds, in the same words (imageDifferences), one of them standing where the
// station would. The comparison with a file of the command line and of the window.
#include "image/image_streams.h"
#include "table/editor.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tolvin {

// The image the data check builds for `ed`, as a write would send it, without the check's side
// effects: the editor is not changed. Empty, with the failing rule's or the conversion error's
// message in `why`, when the configuration does not pass: it has no image to compare.
std::optional<StreamImage> checkedImage(const Editor &ed, QString &why);

struct ConfigurationComparison {
    QStringList differences;  // empty when both give the station the same
    int unchecked = 0;        // 1 or 2 when that configuration does not pass the check: nothing compared
    QString message;          // then the check's message
    bool compared() const { return unchecked == 0; }
};

// How `second` differs from `first`, the value of `second` first as the station's is in the
// station's comparison: "канал 5: Rx 150106,25 вместо 150100,00", "канал 13: нет в файле Б.ini".
// `secondFile` names `second` in the lines of a channel only one of them has. Each one's records
// are decoded with its own band: a file of another model shows its own frequencies.
ConfigurationComparison compareConfigurations(const Editor &first, const Editor &second, const QString &secondFile);

} // namespace tolvin
