// The song side of the transport: choosing a built-in song or opening a file, playing it
// normally or along with the child, stopping it by hand or at its end, and the handler through
// which every song event reaches the output device and the LED panel.
//
// Threads: everything runs on the window thread except MidiFile1MidiEvent and
// MidiFile1UpdateEvent, which the playback timer's thread calls during each tick. Those two
// never block on the window thread and never let an exception out; what they change on screen
// is carried to the window thread (queued).
#pragma once

#include "midi/ChannelSet.h"
#include "midi/MidiEvent.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QLabel;
class TFrameLed;
class TMidiFile;
class TMidiOutput;
class TMidiTimer;
class TTransportButtons;
class TUserDialogs;

// The window's state the player works on; every reference must outlive the player.
struct TSongPlayerBindings {
    TMidiFile& Song;
    TMidiTimer& Timer;
    TMidiOutput& Output;
    TFrameLed& Led;
    TTransportButtons& Buttons;
    TUserDialogs& Dialogs;
    std::atomic<bool>& PlayAlong;
    TChannelSet& KeyChannels;
    std::atomic<int32_t>& Transpose;
    QLabel& Caption;
    QLabel& Offset;
    // Window thread: a device failure, shown to the user once (the window's rule).
    std::function<void(const std::exception&)> ReportDeviceError;
    // Window thread: a song event that could not be played, shown to the user.
    std::function<void(const QString&)> ReportPlaybackError;
};

class TSongPlayer : public QObject {
public:
    // Binds the timer to the song and the song's hooks to this player.
    explicit TSongPlayer(const TSongPlayerBindings& bindings);
    ~TSongPlayer() override;

    void lblOpenClick();
    void NOpenClick();
    void lblPlayClick();
    void lblRecPlayClick();
    void lblStopClick() { StopPlayback(); }
    // Stops the song and silences every channel; also when nothing plays (the stop button
    // then still silences whatever sounds).
    void StopPlayback();

    // Playback thread.
    void MidiFile1MidiEvent(PMidiEvent event) noexcept;
    void MidiFile1UpdateEvent(void* sender) noexcept;

private:
    void StartPlay();
    void AllSoundOff();
    void ShowCaption(const QString& text);
    // Reading failures are swallowed: Bpm becomes 120 where the song can take it.
    void FallBackToDefaultTempo();
    // Playback thread: carries the first failure of a playing to the window thread.
    void TellOnce(const QString& text, bool deviceFailure) noexcept;

    TSongPlayerBindings F;
    // Set by StartPlay, cleared by whichever stop comes first, so the end of a song and the
    // stop button never both run the stop of one playing.
    std::atomic<bool> FActive{false};
    // Counts playings, so a late end-of-song notice cannot touch a newer playing's picture.
    std::atomic<uint32_t> FPlaying{0};
    // One playing tells the user about unplayable events once.
    std::atomic<bool> FEventFaultTold{false};
};
