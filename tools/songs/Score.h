// Building blocks for writing songs as readable scores: note names and durations parsed into
// timed notes, lyrics split into syllables, and tracks of MIDI events assembled from them.
// Plain data and pure functions; any thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "midi/MidiEvent.h"

inline constexpr int32_t SongTicksPerQuarter = 120;

// "C4" is 60 (middle C); sharps "#", flats "b"; octaves -1..9. The General MIDI drum keys of
// channel 9 go by name: Kick 36, Stick 37, Snare 38, HatClosed 42, HatPedal 44, HatOpen 46,
// Crash 49, Ride 51, Ride2 59. Throws std::invalid_argument.
uint8_t NoteNumber(std::string_view name);

// w h q e s (whole to sixteenth at 120 ticks per quarter), a trailing "." adds half again.
// Throws std::invalid_argument.
int32_t DurationTicks(std::string_view code);

struct TNote {
    int32_t Start = 0;
    int32_t Length = 0;
    uint8_t Key = 0;
    uint8_t Velocity = 0;
};

// How hard a note is struck from where it falls: on the first beat of a bar, on another beat,
// or between beats.
struct TAccents {
    int32_t BarTicks = 2 * SongTicksPerQuarter;
    uint8_t Downbeat = 100;
    uint8_t Beat = 90;
    uint8_t Offbeat = 80;
};

struct TPhrase {
    std::vector<TNote> Notes;
    int32_t End = 0; // the tick after the phrase's last duration
};

// Blank-separated tokens: "D5:q" a note, "D3+F#3+A3:e" a chord, "r:q" a rest, "D5:q@90" a note
// with its own velocity, "|" a bar line, which must fall on a bar boundary counted from
// `start`. Throws std::invalid_argument naming the offending token.
TPhrase ParsePhrase(std::string_view score, int32_t start, const TAccents& accents);

// Helpers for assembling score text and note lists.
std::string Join(std::initializer_list<std::string_view> parts); // blank-separated
std::string Repeat(std::string_view text, int times);             // blank-separated
std::string Note(std::string_view pitch, std::string_view duration); // "D5" "q" -> "D5:q"
void Append(std::vector<TNote>& to, const std::vector<TNote>& notes);

// The blank-separated words of a chord chart ("D G-D A").
std::vector<std::string_view> ChartWords(std::string_view chart);

// The entry of a voicing table whose Chord is `chord`; throws std::invalid_argument otherwise.
template <typename TVoicing, size_t Count>
const TVoicing& FindVoicing(const TVoicing (&table)[Count], std::string_view chord)
{
    for (const TVoicing& voicing : table)
        if (voicing.Chord == chord)
            return voicing;
    throw std::invalid_argument("No voicing for chord \"" + std::string(chord) + "\"");
}

// Words with hyphens between syllables, "/" between lines: "Twin-kle, twin-kle / How I".
// Each syllable that ends a word keeps a trailing blank; a line break is the item "\r\n".
std::vector<std::string> LyricSyllables(std::string_view words);

// One track's events collected in any order and put in time order by Finish.
class TTrackBuilder {
public:
    void Meta(int32_t tick, uint8_t type, std::string bytes);
    void TrackName(std::string_view name) { Meta(0, MetaTrackName, std::string(name)); }
    // The payload after the leading 0xF0, ending with 0xF7.
    void SysEx(int32_t tick, std::string payload);
    void Tempo(int32_t tick, uint32_t microsecondsPerQuarter);
    void TimeSignature(int32_t tick, uint8_t numerator, uint8_t denominatorPower);
    // Sharps positive, flats negative; major keys.
    void KeySignature(int32_t tick, int8_t sharps);
    void Controller(int32_t tick, uint8_t channel, uint8_t number, uint8_t value);
    void Program(int32_t tick, uint8_t channel, uint8_t program);
    // Program, volume and pan at tick 0.
    void ChannelSetup(uint8_t channel, uint8_t program, uint8_t volume, uint8_t pan);
    // Each note sounds for `gatePercent` of its length (at least one tick); its end is a Note On
    // with velocity 0, so that running status carries a whole track of notes.
    void Notes(uint8_t channel, const std::vector<TNote>& notes, int gatePercent = 100);
    // One lyric event per syllable at its note's start; line breaks fall at the next note.
    // Throws std::invalid_argument when syllables and notes do not pair up.
    void Lyrics(const std::vector<TNote>& notes, const std::vector<std::string>& syllables);

    // Time-ordered events with their delta times, closed by End of Track at `endTick` (or at the
    // last event when that is later). At one tick: meta and set-up first, then note ends,
    // lyrics, and note starts, each group in the order it was added.
    std::vector<TMidiEvent> Finish(int32_t endTick) const;

private:
    enum TOrder : int { SetUp, NoteEnd, Lyric, NoteStart };
    struct TTimed {
        int32_t Tick;
        TOrder Order;
        TMidiEvent Event;
    };
    void Add(int32_t tick, TOrder order, TMidiEvent event);
    std::vector<TTimed> Events;
};

// A whole song: format 1 tracks in file order, the conductor first.
struct TSongScore {
    int32_t TicksPerQuarter = SongTicksPerQuarter;
    std::vector<std::vector<TMidiEvent>> Tracks;
};
