// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mnemonics.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
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

QChar russianLetterOnKey(QChar latin) {
    static const QString qwerty = QStringLiteral("QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`");
    static const QString russian = QStringLiteral("ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ");
    const int at = qwerty.indexOf(latin.toUpper());
    return at < 0 ? QChar() : russian[at];
}

namespace {

// The action of `actions` whose marked letter is `letter`, in either case.
QAction *actionWithLetter(const QList<QAction *> &actions, QChar letter) {
    for (QAction *a : actions)
        if (a->isVisible() && a->isEnabled() && markedLetter(a->text()) == letter.toLower())
            return a;
    return nullptr;
}

// The Latin letter or sign a key event carries, from its text or, with Alt held, its key code.
QChar latinOf(const QKeyEvent *ke) {
    if (ke->text().size() == 1 && ke->text()[0].unicode() < 0x80)
        return ke->text()[0];
    const int key = ke->key();
    return key > 0x20 && key < 0x80 ? QChar(key) : QChar();
}

class MenuKeys : public QObject {
public:
    explicit MenuKeys(QMainWindow *window) : QObject(window), m_window(window) { qApp->installEventFilter(this); }
    ~MenuKeys() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        auto *ke = static_cast<QKeyEvent *>(event);
        if (auto *menu = qobject_cast<QMenu *>(watched))
            return menuKey(menu, ke);
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || w->window() != m_window || QApplication::activePopupWidget())
            return false;
        if (event->type() == QEvent::KeyRelease) {
            // Alt pressed and let go with nothing between, as on every desktop.
            const bool alone = ke->key() == Qt::Key_Alt && m_altAlone && !ke->isAutoRepeat();
            m_altAlone = false;
            if (alone)
                openMenu(m_window->menuBar()->actions().value(0));
            return false;
        }
        m_altAlone = ke->key() == Qt::Key_Alt && ke->modifiers() == Qt::AltModifier;
        if (ke->key() == Qt::Key_F10 && ke->modifiers() == Qt::NoModifier) {
            openMenu(m_window->menuBar()->actions().value(0));
            return true;
        }
        if (ke->modifiers() == Qt::AltModifier) {
            const QChar russian = russianLetterOnKey(latinOf(ke));
            if (QAction *a = russian.isNull() ? nullptr : actionWithLetter(m_window->menuBar()->actions(), russian)) {
                openMenu(a);
                return true;
            }
        }
        return false;
    }

private:
    void openMenu(QAction *a) {
        if (!a)
            return;
        if (a->menu())
            m_window->menuBar()->setActiveAction(a);
        else
            a->trigger();
    }
    // In an open menu the letter's key in the Latin layout picks the item, as the Russian one would.
    bool menuKey(QMenu *menu, const QKeyEvent *ke) {
        if (ke->type() != QEvent::KeyPress || (ke->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)))
            return false;
        const QChar latin = latinOf(ke);
        if (latin.isNull() || actionWithLetter(menu->actions(), latin))
            return false;
        const QChar russian = russianLetterOnKey(latin);
        QAction *a = russian.isNull() ? nullptr : actionWithLetter(menu->actions(), russian);
        if (!a)
            return false;
        if (a->menu()) {
            menu->setActiveAction(a);
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(menu, &right);
        } else {
            // Every open menu closes first, as after a click on the item.
            while (QWidget *open = QApplication::activePopupWidget())
                open->close();
            a->trigger();
        }
        return true;
    }

    QPointer<QMainWindow> m_window;
    bool m_altAlone = false;
};

} // namespace

void installMenuKeys(QMainWindow *window) {
    new MenuKeys(window);
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
