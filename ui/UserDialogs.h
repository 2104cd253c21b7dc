// The message boxes and file dialogs the keyboard window shows the user, behind one small
// interface so that tests can answer them. Window thread only.
#pragma once

#include <QString>

class QDialog;
class QWidget;

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // An ordinary situation: caption "信息", information icon, OK.
    virtual void Inform(const QString& text) = 0;
    // A question: caption "问", question icon, Yes and No. True for Yes.
    virtual bool Ask(const QString& text) = 0;
    // Trouble the program works around (no sound, missing pictures): warning icon, OK.
    virtual void Warn(const QString& text) = 0;
    // Something the user asked for failed (a recording not saved): error icon, OK.
    virtual void ShowError(const QString& text) = 0;
    // The MIDI file to open, or empty when cancelled.
    virtual QString OpenMidiFileName() = 0;
    // Where to save the recording (ending in .mid), or empty when cancelled.
    virtual QString SaveRecordingFileName() = 0;
    // Shows `dialog` modally; its result (QDialog::Accepted for OK).
    virtual int Exec(QDialog& dialog) = 0;
};

// The real boxes and dialogs, owned by `owner`.
class TQtUserDialogs : public TUserDialogs {
public:
    explicit TQtUserDialogs(QWidget* owner) : FOwner(owner) {}

    void Inform(const QString& text) override;
    bool Ask(const QString& text) override;
    void Warn(const QString& text) override;
    void ShowError(const QString& text) override;
    QString OpenMidiFileName() override;
    QString SaveRecordingFileName() override;
    int Exec(QDialog& dialog) override;

private:
    QWidget* FOwner;
};
