// The facade over the machine's MIDI outputs: device list, capabilities, open/close,
// short and long messages, error codes and their texts. Every call returns an error code
// (MidiOutOk on success) instead of raising, so that the device component decides what fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Error codes shared by every driver behind the facade.
inline constexpr uint16_t MidiOutOk = 0;
inline constexpr uint16_t MidiOutErrUnspecified = 1;
inline constexpr uint16_t MidiOutErrBadDeviceId = 2;
inline constexpr uint16_t MidiOutErrAllocated = 4;
inline constexpr uint16_t MidiOutErrInvalidHandle = 5;
inline constexpr uint16_t MidiOutErrNoMemory = 7;
inline constexpr uint16_t MidiOutErrInvalidParam = 11;
inline constexpr uint16_t MidiOutErrUnprepared = 64;
inline constexpr uint16_t MidiOutErrStillPlaying = 65;
inline constexpr uint16_t MidiOutErrNoDevice = 68;
inline constexpr uint16_t MidiOutErrNoSoundFont = 200;
inline constexpr uint16_t MidiOutErrNoAudio = 201;
inline constexpr uint16_t MidiOutErrSynthesizer = 202;
inline constexpr uint16_t MidiOutErrBadSoundFont = 203;

// The id that names the default device (the mapper).
inline constexpr int MidiMapper = -1;

// Technology values.
inline constexpr uint8_t MidiOutTechPort = 1;
inline constexpr uint8_t MidiOutTechSoftwareSynth = 7;

// Support flags.
inline constexpr uint32_t MidiOutSupportVolume = 0x1;

struct TMidiOutCaps {
    std::string ProductName;
    uint32_t DriverVersion = 0;
    uint8_t Technology = 0;
    uint16_t Voices = 0;
    uint16_t Notes = 0;
    uint16_t ChannelMask = 0;
    uint32_t Support = 0;
};

// One long message in flight: the bytes (a copy owned by the header) and the sender's tag.
struct TMidiLongHeader {
    std::vector<uint8_t> Data;
    void* User = nullptr;
    bool Prepared = false;
};

// An open device; 0 is never a valid handle.
using TMidiOutHandle = uint32_t;

// Called by the driver once per finished long message, on whatever thread the driver uses.
// `instance` is the value given to Open. It must do nothing but hand the header on.
using TMidiOutDoneCallback = void (*)(void* instance, TMidiLongHeader* header);

// Called by the driver, on whatever thread it uses, when an output that opened fails later (its
// SoundFont did not load, its audio output stopped): once per failure, with the error code.
// `instance` is the value given to WatchTrouble. It must do nothing but hand the code on.
using TMidiOutTroubleCallback = void (*)(void* instance, uint16_t code);

class TMidiOutDriver {
public:
    virtual ~TMidiOutDriver() = default;

    // Any thread. Each call asks afresh; ids are 0..count-1, plus MidiMapper.
    virtual unsigned DeviceCount() = 0;
    // Any thread. MidiOutErrBadDeviceId for an id that names no device.
    virtual uint16_t GetDevCaps(int id, TMidiOutCaps& caps) = 0;

    // Window thread. On success `handle` is non-zero and `done` reports finished long messages.
    virtual uint16_t Open(TMidiOutHandle& handle, int id, TMidiOutDoneCallback done, void* instance) = 0;
    // Window thread, right after a successful Open: where the output's later failures go; the
    // failures it met before this call are reported at once. Until Close. Drivers whose outputs
    // cannot fail after opening keep this default, which reports nothing.
    virtual void WatchTrouble(TMidiOutHandle handle, TMidiOutTroubleCallback trouble, void* instance)
    {
        (void)handle, (void)trouble, (void)instance;
    }
    // Window thread. Finishes every long message still in flight (their callbacks run) first.
    virtual uint16_t Close(TMidiOutHandle handle) = 0;

    // Any thread, two at once included. MidiOutErrInvalidHandle for a null or closed handle.
    virtual uint16_t ShortMsg(TMidiOutHandle handle, uint32_t word) = 0;
    // Any thread. Prepare before LongMsg, unprepare after the done callback has run.
    virtual uint16_t PrepareHeader(TMidiOutHandle handle, TMidiLongHeader& header) = 0;
    virtual uint16_t UnprepareHeader(TMidiOutHandle handle, TMidiLongHeader& header) = 0;
    // Any thread. Returns without waiting for the message to be played.
    virtual uint16_t LongMsg(TMidiOutHandle handle, TMidiLongHeader& header) = 0;

    // Any thread. MidiOutOk and the text for a known code; non-zero otherwise.
    virtual uint16_t GetErrorText(uint16_t code, std::string& text) = 0;
};

// The text of the codes above; false for a code it does not know.
bool StandardMidiOutErrorText(uint16_t code, std::string& text);
