// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An Operator that remembers what the program showed, and answers dialogs from a script.
#include "common/operator.h"
#include "support/qt_printers.h"

#include <QStringList>
#include <functional>

namespace tolvin::test {

struct RecordingOperator : Operator {
    QStringList messages;
    QStringList events;          // "beep", "errorBeep", "message:<text>", "confirm:<text>", "askToSave:<text>", "save", "open",
                                 // "document:<path>"
    QList<bool> confirmAnswers;  // next answers of confirm (none left = Нет)
    QStringList saveAnswers;     // next answers of the save dialog ("" = cancel)
    QStringList openAnswers;
    QList<FileDialogRequest> requests;
    bool documentOpens = true;

    std::function<void()> whileMessageShows;  // what the technician does while a message is up
    void message(const QString &text) override {
        messages << text;
        events << QStringLiteral("message:") + text;
        if (whileMessageShows)
            whileMessageShows();
    }
    bool confirm(const QString &text) override {
        events << QStringLiteral("confirm:") + text;
        return confirmAnswers.isEmpty() ? false : confirmAnswers.takeFirst();
    }
    // Next answers of askToSave; none left = Не сохранять, so that a test about something else
    // goes on as the technician who answered so would.
    QList<SaveAnswer> saveQuestionAnswers;
    SaveAnswer askToSave(const QString &text) override {
        events << QStringLiteral("askToSave:") + text;
        return saveQuestionAnswers.isEmpty() ? SaveAnswer::Discard : saveQuestionAnswers.takeFirst();
    }
    void beep() override { events << QStringLiteral("beep"); }
    void errorBeep() override { events << QStringLiteral("errorBeep"); }
    QString saveFileName(const FileDialogRequest &r) override {
        requests << r;
        events << QStringLiteral("save");
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString openFileName(const FileDialogRequest &r) override {
        requests << r;
        events << QStringLiteral("open");
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    bool openDocument(const QString &path) override {
        events << QStringLiteral("document:") + path;
        return documentOpens;
    }
    QString lastMessage() const { return messages.isEmpty() ? QString() : messages.last(); }
    void clear() {
        messages.clear();
        events.clear();
    }
};

} // namespace tolvin::test
