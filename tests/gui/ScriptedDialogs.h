// A dialog seam for tests: answers come from a script, every call is logged.
#pragma once

#include "app/gui/Dialogs.h"

#include <QStringList>
#include <QThread>
#include <deque>
#include <functional>

struct ShownMessage {
    QString caption;
    QString text;
    int flags;
};

class ScriptedDialogs : public Dialogs {
public:
    std::vector<ShownMessage> messages; // message boxes in order
    QStringList errors;                 // general error boxes in order
    std::vector<FileDialogState> openRequests, saveRequests;
    std::deque<std::optional<QString>> openAnswers, saveAnswers; // nullopt = cancel
    std::deque<QStringList> openFilesAnswers;                    // empty = cancel
    // Import's field of the hours' distance from UT: each answer sets it
    // (nullopt: UT); the field is left as shown when none is scripted. What
    // the field showed is logged.
    std::deque<std::optional<int>> offsetAnswers;
    std::vector<std::optional<int>> offsetsShown;
    std::deque<std::optional<QString>> folderAnswers;
    QStringList folderStarts; // where each folder dialog started
    // Answers to forms: a function of the values shown (nullopt = cancel);
    // the forms shown are logged.
    std::deque<std::function<std::optional<QStringList>(const QStringList &)>> formAnswers;
    std::vector<std::pair<QStringList, QStringList>> forms; // labels, values
    std::deque<std::optional<QColor>> colorAnswers;
    std::vector<QColor> colorPresets;
    // Waits: each answers whether the wait is cancelled at once (true) or
    // waited out (false, also when none is scripted).
    std::deque<bool> cancelWaits;
    QStringList waitTexts;
    // Answers to the save question, Discard when none is scripted.
    std::deque<SaveChoice> saveChoices;
    QStringList saveQuestions;
    // Answers to the replace question, cancel when none is scripted.
    std::deque<bool> replaceAnswers;
    QStringList replaceQuestions;
    // Runs while a message box is "shown", for tests that act at that moment.
    std::function<void(const ShownMessage &)> onMessage;

    void messageBox(QWidget *, const QString &caption, const QString &text, int flags) override
    {
        messages.push_back({caption, text, flags});
        if (onMessage)
            onMessage(messages.back());
    }
    void errorBox(QWidget *, const QString &text) override { errors << text; }
    std::optional<QString> openFile(QWidget *, const FileDialogState &state) override
    {
        openRequests.push_back(state);
        return next(openAnswers);
    }
    std::optional<QString> saveFile(QWidget *, const FileDialogState &state) override
    {
        saveRequests.push_back(state);
        return next(saveAnswers);
    }
    QStringList openFiles(QWidget *, const FileDialogState &state) override
    {
        openRequests.push_back(state);
        QStringList answer;
        if (!openFilesAnswers.empty()) {
            answer = openFilesAnswers.front();
            openFilesAnswers.pop_front();
        }
        return answer;
    }
    QStringList openCountFiles(QWidget *parent, const FileDialogState &state, const QString &,
                               std::optional<int> &offset) override
    {
        offsetsShown.push_back(offset);
        const QStringList answer = openFiles(parent, state);
        if (!answer.isEmpty() && !offsetAnswers.empty())
            offset = offsetAnswers.front();
        if (!offsetAnswers.empty())
            offsetAnswers.pop_front();
        return answer;
    }
    std::optional<QString> chooseFolder(QWidget *, const QString &, const QString &start) override
    {
        folderStarts << start;
        return next(folderAnswers);
    }
    std::optional<QStringList> editFields(QWidget *, const QString &, const QStringList &labels,
                                          const QStringList &values, const QString &) override
    {
        forms.emplace_back(labels, values);
        if (formAnswers.empty())
            return std::nullopt;
        auto answer = std::move(formAnswers.front());
        formAnswers.pop_front();
        return answer(values);
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &initial) override
    {
        colorPresets.push_back(initial);
        return next(colorAnswers);
    }

    bool waitFor(QWidget *, const QString &text, const QString &,
                 const std::function<bool()> &finished) override
    {
        waitTexts << text;
        bool cancel = false;
        if (!cancelWaits.empty()) {
            cancel = cancelWaits.front();
            cancelWaits.pop_front();
        }
        if (cancel)
            return false;
        while (!finished())
            QThread::msleep(1);
        return true;
    }

    SaveChoice askToSave(QWidget *, const QString &, const QString &text, const QString &,
                         const QString &, const QString &) override
    {
        saveQuestions << text;
        if (saveChoices.empty())
            return SaveChoice::Discard;
        const SaveChoice choice = saveChoices.front();
        saveChoices.pop_front();
        return choice;
    }

    bool askToReplace(QWidget *, const QString &, const QString &text, const QString &,
                      const QString &) override
    {
        replaceQuestions << text;
        if (replaceAnswers.empty())
            return false;
        const bool answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }

    // The texts of the message boxes shown, in order.
    QStringList texts() const
    {
        QStringList out;
        for (const ShownMessage &m : messages)
            out << m.text;
        return out;
    }

    void clear()
    {
        messages.clear();
        errors.clear();
    }

private:
    template <class T> static std::optional<T> next(std::deque<std::optional<T>> &answers)
    {
        std::optional<T> answer;
        if (!answers.empty()) {
            answer.swap(answers.front());
            answers.pop_front();
        }
        return answer;
    }
};
