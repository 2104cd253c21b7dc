// Compares a song with what came back from writing and reading it again: every event the
// writer can encode must return with its bytes and time; the others are left out on purpose.
// Shared by the corpus test and the reader's fuzz target.
#pragma once

#include "midi/MidiFile.h"

#include <string>

inline bool WriterEncodes(uint8_t status) { return status >= 0x80 && (status <= MidiSysEx || status == MidiMeta); }

// The empty text event the writer bridges a silence longer than a four-byte delta with.
inline bool IsSilenceBridge(const TMidiEvent& event)
{
    return event.status == MidiMeta && event.data1 == 0x01 && event.text.empty();
}

// The first difference, described; empty when the two agree. Channel data bytes are written
// as 7 bits; bridges of long silences the writer added are passed over.
inline std::string FirstWritingDifference(const TMidiFile& original, const TMidiFile& back)
{
    if (original.TrackCount() != back.TrackCount())
        return "track count " + std::to_string(original.TrackCount()) + " came back as " +
               std::to_string(back.TrackCount());
    // Descriptions are only built for a difference: the fuzz target compares every input.
    for (int32_t t = 0; t < original.TrackCount(); ++t) {
        const TMidiTrack& a = *original.GetTrack(t);
        const TMidiTrack& b = *back.GetTrack(t);
        auto where = [t] { return "track " + std::to_string(t); };
        int32_t j = 0;
        for (int32_t i = 0; i < a.EventCount(); ++i) {
            const TMidiEvent& x = *a.GetEvent(i);
            if (!WriterEncodes(x.status))
                continue;
            const TMidiEvent* y = b.GetEvent(j++);
            // A bridge always lies at least one tick before the event it leads to.
            while (y != nullptr && IsSilenceBridge(*y) && y->absoluteTicks != x.absoluteTicks)
                y = b.GetEvent(j++);
            auto event = [&] { return where() + " event " + std::to_string(i); };
            if (y == nullptr)
                return where() + " lost its events from " + std::to_string(i);
            const uint8_t mask = x.status < MidiSysEx ? 0x7F : 0xFF;
            if (x.status != y->status || (x.data1 & mask) != y->data1 || (x.data2 & mask) != y->data2)
                return event() + " changed its bytes";
            if (x.text != y->text)
                return event() + " changed its text";
            if (x.absoluteTicks != y->absoluteTicks)
                return event() + " moved from tick " + std::to_string(x.absoluteTicks) + " to " +
                       std::to_string(y->absoluteTicks);
        }
        if (j != b.EventCount())
            return where() + " gained events in writing";
    }
    return {};
}
