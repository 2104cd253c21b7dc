// The ALSA sequencer's output ports, through RtMidi's ALSA API only (its JACK API crashes
// on openPort without a server). A machine without a sequencer simply has no ports.
#pragma once

#include "midi/platform/MidiOutPort.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiOut;

// Bytes a short message of this status has on the wire (status included); 0 for a data byte
// and for 0xF0 / 0xF7, which cannot travel as a short message. Any thread.
size_t ShortMessageLength(uint8_t status);

class TAlsaSeqPorts {
public:
    TAlsaSeqPorts();
    ~TAlsaSeqPorts();
    // Any thread (the driver lists devices from whichever thread counts them); calls are
    // serialised by FLock. The output ports now present, each as a device named after its port.
    std::vector<std::shared_ptr<TMidiOutDevice>> Devices();

private:
    std::mutex FLock;
    std::unique_ptr<RtMidiOut> FLister;
};
