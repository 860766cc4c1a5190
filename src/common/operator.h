// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the program does to the person at the bench goes through this interface, so that
// a test can record it and the GUI can show it.
#include <QString>
#include <QStringList>
#include <functional>

namespace tolvin {

struct FileDialogRequest {
    QString title;          // empty: the platform's own title
    QString filter;         // e.g. "Файлы(*.ini)"
    QString defaultSuffix;  // added to a name typed without extension
    QString proposedName;   // preset file name, may be empty
    QString initialFolder;  // empty: the user's home
};

// The answer to "save the changes first?".
enum class SaveAnswer { Save, Discard, Cancel };

// The answer to a question with two ways on and Отмена, which leaves everything as it is.
enum class ThreeWayAnswer { First, Second, Cancel };

class Operator {
public:
    virtual ~Operator() = default;
    // A modal message box with one text and an OK button.
    virtual void message(const QString &text) = 0;
    // A modal question with the buttons Да and Нет; true for Да.
    virtual bool confirm(const QString &text) = 0;
    // A modal question with Сохранить, Не сохранять and Отмена, before work would be lost.
    virtual SaveAnswer askToSave(const QString &text) = 0;
    // The same kind of question with the two ways on named by the caller.
    virtual ThreeWayAnswer askThreeWay(const QString &text, const QString &first, const QString &second) = 0;
    virtual void beep() = 0;         // the default beep: a rejected key
    virtual void errorBeep() = 0;    // the critical-stop sound: a failed validation
    // Empty result: the user cancelled.
    virtual QString saveFileName(const FileDialogRequest &request) = 0;
    virtual QString openFileName(const FileDialogRequest &request) = 0;
    // A modal pick of one of `items`, `current` offered; the index picked, -1: the user cancelled.
    virtual int choose(const QString &title, const QString &label, const QStringList &items, int current) = 0;
    // Hands a finished document to the desktop; false when nothing could open it.
    virtual bool openDocument(const QString &path) = 0;
};

// For runs without a person (command line, benchmarks, scripts): messages are kept, beeps are
// silent, questions are answered Нет, dialogs are cancelled and no document is opened.
class BatchOperator : public Operator {
public:
    QStringList messages;
    void message(const QString &text) override { messages << text; }
    bool confirm(const QString &) override { return false; }
    // Nobody to answer: nothing is thrown away.
    SaveAnswer askToSave(const QString &) override { return SaveAnswer::Cancel; }
    ThreeWayAnswer askThreeWay(const QString &, const QString &, const QString &) override {
        return ThreeWayAnswer::Cancel;
    }
    void beep() override {}
    void errorBeep() override {}
    QString saveFileName(const FileDialogRequest &) override { return {}; }
    QString openFileName(const FileDialogRequest &) override { return {}; }
    int choose(const QString &, const QString &, const QStringList &, int) override { return -1; }
    bool openDocument(const QString &) override { return false; }
    QString lastMessage() const { return messages.isEmpty() ? QString() : messages.last(); }
};

// Runs one user action; a conversion error or any other failure ends only that action and is
// shown as a message. Returns false when the action ended with an error.
bool runAction(Operator &op, const std::function<void()> &action);

} // namespace tolvin
