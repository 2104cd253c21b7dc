// The machine's real MIDI outputs behind the facade.
#pragma once

#include "midi/platform/MidiOutDriver.h"

// 0 = the built-in FluidSynth synthesizer (also the mapper, -1), 1..n = the ALSA sequencer's
// output ports. Created on first use; lives until the program ends. Any thread.
TMidiOutDriver& SystemMidiOutDriver();
