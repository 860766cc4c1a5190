// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/editor_host.h"

#include <QWidget>

namespace tolvin {

void returnToHost(EditorHost &host, QWidget *companion) {
    companion->hide();
    host.hostWindow()->showNormal();
}

} // namespace tolvin
