// Answers the window's boxes and file dialogs from a script and keeps what the user was shown.
#pragma once

#include "ui/UserDialogs.h"

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

class TScriptedDialogs : public TUserDialogs {
public:
    std::vector<QString> Informed, Asked, Warned, Errors;
    // Answers to Ask, then to the file dialogs, in order; an empty queue answers No / Cancel.
    std::deque<bool> Answers;
    std::deque<QString> OpenNames, SaveNames;
    // Plays the user in a modal dialog; unset, every dialog is cancelled.
    std::function<int(QDialog&)> OnExec;
    int FileDialogs = 0;
    int Dialogs = 0;

    void Inform(const QString& text) override { Informed.push_back(text); }
    bool Ask(const QString& text) override
    {
        Asked.push_back(text);
        return Take(Answers, false);
    }
    void Warn(const QString& text) override { Warned.push_back(text); }
    void ShowError(const QString& text) override { Errors.push_back(text); }
    QString OpenMidiFileName() override
    {
        ++FileDialogs;
        return Take(OpenNames, QString());
    }
    QString SaveRecordingFileName() override
    {
        ++FileDialogs;
        return Take(SaveNames, QString());
    }
    int Exec(QDialog& dialog) override
    {
        ++Dialogs;
        return OnExec ? OnExec(dialog) : int(QDialog::Rejected);
    }

private:
    template <typename T> static T Take(std::deque<T>& queue, T otherwise)
    {
        if (queue.empty())
            return otherwise;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
