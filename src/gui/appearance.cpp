#include "gui/appearance.h"

#include <QApplication>
#include <QFont>

namespace tolvin {

void applyAppearance() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    QApplication::setFont(font);
}

} // namespace tolvin
