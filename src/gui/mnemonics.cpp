// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QSet>

namespace tolvin {

namespace {

QString escaped(const QString &caption) {
    QString out = caption;
    return out.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// The marked letter of a Qt caption, lower case; a null character when none is marked.
QChar markedLetter(const QString &text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toLower();
        ++i;
    }
    return {};
}

} // namespace

QString mnemonicCaption(const QString &caption, const QString &letter) {
    const QString text = escaped(caption);
    if (letter.isEmpty())
        return text;
    int at = text.indexOf(letter, 0, Qt::CaseSensitive);
    if (at < 0)
        at = text.indexOf(letter, 0, Qt::CaseInsensitive);
    return at < 0 ? text : text.left(at) + QLatin1Char('&') + text.mid(at);
}

QString plainCaption(const QString &text) {
    QString out;
    const QString caption = text.section(QLatin1Char('\t'), 0, 0);
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

void markFreeLetters(QMenu *menu) {
    QSet<QChar> taken;
    for (const QAction *a : menu->actions())
        if (const QChar c = markedLetter(a->text()); !c.isNull())
            taken.insert(c);
    for (QAction *a : menu->actions()) {
        if (a->isSeparator() || !markedLetter(a->text()).isNull())
            continue;
        const QString caption = plainCaption(a->text());
        for (const QChar c : caption) {
            if (c.isLetterOrNumber() && !taken.contains(c.toLower())) {
                taken.insert(c.toLower());
                a->setText(mnemonicCaption(caption, QString(c)));
                break;
            }
        }
    }
}

} // namespace tolvin
