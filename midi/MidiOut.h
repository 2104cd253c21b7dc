// The MIDI output device: owns one output of the driver facade, opens and closes it, sends
// short and long messages and reports driver failures as EmidioutputError.
//
// Threads: construct, destroy, set DeviceID/ProductName, Open, Close and SendLong on the
// owning (window) thread. SendShort, SendMidiEvent and SendEvent with a short message may be
// called from the owning thread, the playback timer's thread and the MIDI keyboards' input
// threads at once; OnMidiShortOutput then runs on the calling thread. Onmidioutput and
// OnDeviceTrouble always run on the owning thread, through the notice poster given at
// construction.
#pragma once

#include "midi/MidiEvent.h"
#include "midi/platform/MidiOutDriver.h"
#include "midi/platform/NotifyPoster.h"
#include "midi/platform/SystemMidiOutDriver.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class TMidiTrace;

class EmidioutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The argument of SendEvent: a short message, or a long one when `sysex` is set.
struct TOutputEvent {
    uint8_t status = 0, data1 = 0, data2 = 0;
    uint16_t sysexLength = 0;
    const uint8_t* sysex = nullptr;
};

class TMidiOutput {
public:
    // Window thread. `driver` and `poster` must outlive the device.
    TMidiOutput(TMidiOutDriver& driver, TNotifyPoster& poster);
    virtual ~TMidiOutput();
    TMidiOutput(const TMidiOutput&) = delete;
    TMidiOutput& operator=(const TMidiOutput&) = delete;

    int DeviceID() const { return FDeviceID; }
    void SetDeviceID(int id);
    const std::string& ProductName() const { return FProductName; }
    void SetProductName(const std::string& name);

    bool IsOpen() const { return FHandle != 0; }
    uint16_t LastError() const { return FLastError; }

    // The capabilities read with the last DeviceID.
    uint32_t DriverVersion() const { return FCaps.DriverVersion; }
    uint8_t Technology() const { return FCaps.Technology; }
    uint16_t Voices() const { return FCaps.Voices; }
    uint16_t Notes() const { return FCaps.Notes; }
    uint16_t ChannelMask() const { return FCaps.ChannelMask; }
    uint32_t Support() const { return FCaps.Support; }
    // The device count read at construction; informational.
    uint16_t DeviceCount() const { return FDeviceCount; }

    // Never raises: false (and still closed) when the device did not open. False, with
    // LastError MidiOutErrAllocated, on a device that is already open (which stays open).
    virtual bool Open();
    // False when the device was not open; raises when the driver refuses to close it.
    virtual bool Close();
    virtual void SendEvent(const TOutputEvent& event);
    virtual void SendShort(uint8_t status, uint8_t data1, uint8_t data2);
    // Copies `data`; returns before the message has been played. `length` must be at least 1.
    virtual void SendLong(const uint8_t* data, uint16_t length);
    // Sends the record's status and data bytes; the hook sees the caller's own record.
    void SendMidiEvent(PMidiEvent event);

    std::string ErrorText(uint16_t code) const;

    // Replaces the trace chosen at construction (TINKLA_MIDI_TRACE); null turns it off.
    void SetTrace(TMidiTrace* trace) { FTrace = trace; }

    // Called on the owning thread once per long message, after its buffer has been released.
    std::function<void(TMidiOutput* sender)> Onmidioutput;
    // Called with every short message just before it is sent, on the sending thread.
    TOnMidiEvent OnMidiShortOutput;
    // Called on the owning thread when the open device fails later (the built-in synthesizer's
    // SoundFont did not load, its audio output stopped), once per failure; `code` is the driver's
    // error code (ErrorText gives its text). Assign it before Open.
    std::function<void(TMidiOutput* sender, uint16_t code)> OnDeviceTrouble;

private:
    struct TCallbackBlock;

    void Check(uint16_t result);
    void SendWord(uint32_t word);
    void LongDone(std::shared_ptr<TMidiLongHeader>& header);
    static void OutputDriverCallback(void* instance, TMidiLongHeader* header);
    static void OutputTroubleCallback(void* instance, uint16_t code);

    TMidiOutDriver& FDriver;
    TNotifyPoster& FPoster;
    // Lets notices still queued when the device is destroyed see that it is gone.
    std::shared_ptr<TMidiOutput*> FAlive;
    int FDeviceID = 0;
    std::atomic<TMidiOutHandle> FHandle = 0;
    std::unique_ptr<TCallbackBlock> FCallbackBlock;
    std::atomic<uint16_t> FLastError = 0;
    TMidiOutCaps FCaps;
    std::string FProductName;
    uint16_t FDeviceCount = 0;
    TMidiTrace* FTrace = nullptr;
};

// Window thread, at start-up: chooses the device named by TINKLA_MIDI_OUT (by product name),
// or device 0 when it is unset. Raises EmidioutputError as the setters do.
void SelectStartupDevice(TMidiOutput& output);
