// The recording side of the transport: record, stop recording, save, the question about an
// unsaved recording, and the recording clock on the LED panel. The output device hands every
// short message it sends to the recording (the window binds that feed). Window thread only.
#pragma once

#include <QTimer>

#include <cstdint>

class QLabel;
class TMidiFile;
class TTransportButtons;
class TUserDialogs;

class TRecorderControl {
public:
    static constexpr int ClockIntervalMs = 1000;

    // Every reference must outlive the control. `clock` is the LED panel's recording line.
    // The recording clock runs from here on.
    TRecorderControl(TMidiFile& recording, QLabel& clock, TTransportButtons& buttons, TUserDialogs& dialogs);

    void lblRecClick();
    void lblStop1Click();
    // A recording still running is stopped first: saving is what a child pressing it expects.
    void lblSaveClick();
    // Offers to save what the stopped recording holds, then clears it. False when the user
    // chose to save and writing failed: the recording is kept then, and the user was told.
    bool AskSaveRecording();
    // Also notices a recording that stopped at its time limit, and tells the user once.
    void Timer1Timer();

    // "Rec:%.2d:%.2d" of whole minutes and seconds.
    static QString ClockText(int32_t milliseconds);

    QTimer Timer1;

private:
    // Writes the recording to `fileName` and clears it; false (with the user told) on failure.
    bool Write(const QString& fileName);

    TMidiFile& FRecording;
    QLabel& FClock;
    TTransportButtons& FButtons;
    TUserDialogs& FDialogs;
};
