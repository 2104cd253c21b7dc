// The ALSA sequencer's output ports, through RtMidi's ALSA API only (its JACK API crashes
// on openPort without a server). A machine without a sequencer simply has no ports.
#pragma once

#include "midi/platform/MidiOutPort.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiOut;

class TAlsaSeqPorts {
public:
    TAlsaSeqPorts();
    ~TAlsaSeqPorts();
    // Window thread. The output ports now present, each as a device named after its port.
    std::vector<std::shared_ptr<TMidiOutDevice>> Devices();

private:
    std::mutex FLock;
    std::unique_ptr<RtMidiOut> FLister;
};
