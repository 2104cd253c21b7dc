// Playing Tinkla from a MIDI keyboard: each channel message of an input becomes what the
// computer keys would send, with the player's velocity.
// - Note-on and note-off from any input channel go out on every channel of KeyChannels, the
//   note shifted by Transpose (a note-on of velocity 0 is a note-off of release velocity 64);
//   a note the shift would carry above 127 is not sent. The screen key (36 to 95, unshifted)
//   is drawn pressed or released and its Pressed flag follows.
// - Sustain (controller 64), modulation (controller 1) and pitch bend go to every key channel.
// - A program change chooses that instrument as the instrument menu does.
// - Everything else is ignored.
//
// Threads: Receive runs on the inputs' threads, several at once, and sends straight through
// the output device; the drawing, the instrument choice and error reports are carried to the
// window thread through `toWindow`. Construct and destroy on the window thread, after every
// input that calls Receive has stopped.
#pragma once

#include "app/KeyDrawing.h"
#include "midi/ChannelSet.h"

#include <atomic>
#include <cstdint>
#include <functional>

class EmidioutputError;
class TMidiOutput;

class TMidiKeyboard {
public:
    // Release velocity of a note ended by a note-on of velocity 0 (MIDI's default).
    static constexpr uint8_t DefaultReleaseVelocity = 64;

    // Runs `work` later on the window thread, in posting order. Any thread.
    using TPost = std::function<void(std::function<void()> work)>;

    // `output`, `keyChannels` and `transpose` are the window's own and must outlive this;
    // the functions run on the window thread: `selectInstrument` chooses a program as the
    // menu does, `failed` tells the user of a device error.
    TMidiKeyboard(TMidiOutput& output, const TChannelSet& keyChannels, const std::atomic<int32_t>& transpose,
                  TKeyDrawing keys, std::function<void(int32_t program)> selectInstrument,
                  std::function<void(const EmidioutputError& error)> failed, TPost toWindow);

    // Any input thread: one channel message (status 0x80..0xEF, data bytes 0..127).
    void Receive(uint8_t status, uint8_t data1, uint8_t data2) noexcept;

private:
    void Note(uint8_t kind, uint8_t note, uint8_t velocity);
    void SendOnKeyChannels(uint8_t kind, uint8_t data1, uint8_t data2);

    TMidiOutput& FOutput;
    const TChannelSet& FKeyChannels;
    const std::atomic<int32_t>& FTranspose;
    const TKeyDrawing FKeys;
    const std::function<void(int32_t)> FSelectInstrument;
    const std::function<void(const EmidioutputError&)> FFailed;
    const TPost FToWindow;
};
