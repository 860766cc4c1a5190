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
    QStringList events;          // "beep", "errorBeep", "message:<text>", "confirm:<text>", "askToSave:<text>",
                                 // "askThreeWay:<text> [<first>|<second>]", "save", "open",
                                 // "choose:<label>", "document:<path>"
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
    std::function<void()> whileConfirmShows;  // what the test looks at while a question is up
    bool confirm(const QString &text) override {
        events << QStringLiteral("confirm:") + text;
        if (whileConfirmShows)
            whileConfirmShows();
        return confirmAnswers.isEmpty() ? false : confirmAnswers.takeFirst();
    }
    // Next answers of askToSave; none left = Не сохранять, so that a test about something else
    // goes on as the technician who answered so would.
    QList<SaveAnswer> saveQuestionAnswers;
    SaveAnswer askToSave(const QString &text) override {
        events << QStringLiteral("askToSave:") + text;
        return saveQuestionAnswers.isEmpty() ? SaveAnswer::Discard : saveQuestionAnswers.takeFirst();
    }
    // Next answers of askThreeWay; none left = Отмена, which changes nothing.
    QList<ThreeWayAnswer> threeWayAnswers;
    ThreeWayAnswer askThreeWay(const QString &text, const QString &first, const QString &second) override {
        events << QStringLiteral("askThreeWay:%1 [%2|%3]").arg(text, first, second);
        return threeWayAnswers.isEmpty() ? ThreeWayAnswer::Cancel : threeWayAnswers.takeFirst();
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
    // Next answers of choose (-1 = cancel; none left = the item offered).
    QList<int> chooseAnswers;
    QList<QStringList> choices;  // the items each choose offered
    int choose(const QString &, const QString &label, const QStringList &items, int current) override {
        events << QStringLiteral("choose:") + label;
        choices << items;
        return chooseAnswers.isEmpty() ? current : chooseAnswers.takeFirst();
    }
    bool openDocument(const QString &path) override {
        events << QStringLiteral("document:") + path;
        return documentOpens;
    }
    QString lastMessage() const { return messages.isEmpty() ? QString() : messages.last(); }
    void clear() {
        messages.clear();
        events.clear();
        choices.clear();
    }
};

} // namespace tolvin::test
