// "小燕子" (Little Swallow) at 100 beats per minute. The tune is in G and uses only the five
// notes of the pentatonic scale on G (G A B D E). It is written in 2/4 bars counted from the
// first melody note at tick 120: the first verse, an eight-bar interlude in which the electric
// piano echoes the opening lines, the second verse (one syllable more at its end), and a
// plagal close. Melody on clarinet (channel 0, doubled on channel 3), finger bass, bright
// piano, electric piano, strings and drums.
#include "tools/songs/Songs.h"

namespace {

constexpr int32_t BarTicks = 240;
constexpr int32_t Verse1Start = 120;
constexpr int32_t InterludeStart = Verse1Start + 16 * BarTicks;
constexpr int32_t Verse2Start = InterludeStart + 8 * BarTicks;
constexpr int32_t EndingStart = Verse2Start + 16 * BarTicks;
constexpr int32_t SongEnd = 10320;
constexpr int32_t MeterChange = 10080;

// ---- The tune ----

// 小燕子，穿花衣，
constexpr std::string_view Line1 = "B4:e D5:e G5:e E5:e | D5:h | B4:e D5:e E5:e G5:e | D5:h |";
// 年年春天来这里。
constexpr std::string_view Line2 = "B4:e D5:e G5:e E5:e | D5:e E5:e D5:e B4:e | A4:e B4:e A4:e G4:e | A4:h |";
// 我问燕子你为啥来，
constexpr std::string_view Line3 = "E5:e G5:e A5:e B5:e | A5:e G5:e E5:q | D5:e E5:e G5:e E5:e | D5:h |";
// 燕子说，这里的春天最美丽。
constexpr std::string_view Line4 = "B4:e D5:e B4:e A4:e | G4:q A4:q | B4:q A4:q | G4:h |";
// 欢迎你长期住在这里。 (held into the close)
constexpr std::string_view Line4Last = "B4:e D5:e B4:e A4:e | G4:q A4:q | B4:e B4:e A4:q | G4:w.";

std::vector<TNote> Melody(uint8_t velocity)
{
    const TAccents accents{BarTicks, velocity, velocity, velocity};
    std::vector<TNote> notes = ParsePhrase(Join({Line1, Line2, Line3, Line4}), Verse1Start, accents).Notes;
    Append(notes, ParsePhrase(Join({Line1, Line2, Line3, Line4Last}), Verse2Start, accents).Notes);
    return notes;
}

// ---- Harmony, one chord per 2/4 bar ----

constexpr std::string_view VerseChords = "G G Em D  G G Am D  C Am Em D  G C D G";

struct TVoicing {
    std::string_view Chord;
    std::string_view Piano; // bright piano, held through the bar
    std::string_view Strings;
};

constexpr TVoicing Voicings[] = {
    {"G", "B3+D4+G4", "G3+D4"},  {"Em", "B3+E4+G4", "B3+D4"}, {"D", "A3+D4+F#4", "A3+F#4"},
    {"Am", "A3+C4+E4", "A3+E4"}, {"C", "C4+E4+G4", "G3+E4"},
};

std::vector<TNote> Piano()
{
    const TAccents accents{BarTicks, 96, 96, 96};
    std::string verse;
    for (std::string_view chord : ChartWords(VerseChords))
        verse += Join({Note(FindVoicing(Voicings, chord).Piano, "h"), "|"});
    std::vector<TNote> notes = ParsePhrase(verse, Verse1Start, accents).Notes;
    Append(notes, ParsePhrase(verse, Verse2Start, accents).Notes);
    // The last chord, spread wide, once the close reaches G.
    Append(notes, ParsePhrase("r:h | D3+G4+B4+G5:h.", EndingStart, accents).Notes);
    return notes;
}

// ---- Bass: joins halfway through the first verse, plays every chord in the second ----

constexpr std::string_view BassVerse1 = "r:w | r:w | r:w | r:w | C2:w | D1:w | G1:w | D1:h | G1:h |";
constexpr std::string_view BassInterlude = "G1:w | D1:w | G1:w | A1:h | D1:h |";
constexpr std::string_view BassVerse2 =
    "G1:w | D1:w | G1:w | A1:h | D1:h | C2:h | A1:h | E1:h | D1:h | G1:h | C2:h | D2:h | G1:h |";
constexpr std::string_view BassEnding = "C2:h | G1:h.";

std::vector<TNote> Bass()
{
    const TAccents accents{BarTicks, 96, 96, 96};
    std::vector<TNote> notes = ParsePhrase(BassVerse1, Verse1Start, accents).Notes;
    Append(notes, ParsePhrase(BassInterlude, InterludeStart, accents).Notes);
    Append(notes, ParsePhrase(BassVerse2, Verse2Start, accents).Notes);
    Append(notes, ParsePhrase(BassEnding, EndingStart, accents).Notes);
    return notes;
}

// ---- Electric piano: answers the tune's long notes, echoes the opening in the interlude ----

// Fills after the long notes of bars 2, 4, 8 and 12 of a verse.
constexpr std::string_view ElectricFills =
    "r:h | r:e E6:s D6:s B5:e r:e | r:h | r:e A5:s B5:s A5:e r:e | r:h | r:h | r:h |"
    " r:e D6:s B5:s A5:e r:e | r:h | r:h | r:h | r:e A5:s G5:s E5:e r:e |";
constexpr std::string_view ElectricEnding = "D4:s G4:s B4:s D5:s G5:s B5:s D6:s r:s | G5+B5+D6+E6:h.";

std::vector<TNote> ElectricPiano()
{
    const TAccents accents{BarTicks, 96, 96, 96};
    std::vector<TNote> notes = ParsePhrase(ElectricFills, Verse1Start, accents).Notes;
    Append(notes, ParsePhrase(Join({Line1, Line2}), InterludeStart, accents).Notes);
    Append(notes, ParsePhrase(ElectricFills, Verse2Start, accents).Notes);
    Append(notes, ParsePhrase(ElectricEnding, EndingStart, accents).Notes);
    return notes;
}

// ---- Strings: long two-note chords from the second half of the first verse on ----

constexpr std::string_view StringsVerse1 = "r:w | r:w | r:w | r:w | C4+E4:w | B3+D4:w | G3+E4:w | B3+D4:w |";
constexpr std::string_view StringsInterlude = "G3+D4:w | B3+D4:w | G3+B3:w | A3+E4:w |";
constexpr std::string_view StringsVerse2 = "G3+D4:w | B3+D4:w | G3+B3:w | A3+E4:w | C4+E4:w | B3+D4:w |"
                                           " G3+D4:h | G3+E4:h | A3+F#4:h | B3+G4:h |";
constexpr std::string_view StringsEnding = "G3+E4:h | G3+D4:h.";

std::vector<TNote> Strings()
{
    const TAccents accents{BarTicks, 63, 63, 63};
    std::vector<TNote> notes = ParsePhrase(StringsVerse1, Verse1Start, accents).Notes;
    Append(notes, ParsePhrase(StringsInterlude, InterludeStart, accents).Notes);
    Append(notes, ParsePhrase(StringsVerse2, Verse2Start, accents).Notes);
    Append(notes, ParsePhrase(StringsEnding, EndingStart, accents).Notes);
    return notes;
}

// ---- Drums ----

constexpr std::string_view DrumVerse = "Kick+HatClosed:e HatClosed:e Snare+HatClosed:e HatClosed:e |";
constexpr std::string_view DrumDrive = "Kick+HatClosed:e HatClosed:e Snare+HatClosed:e Kick+HatClosed:e |";
constexpr std::string_view DrumEnding = "Kick+Crash:e HatClosed:e Snare+HatClosed:e HatClosed:e |"
                                        " Kick:s Snare:s Snare:s Snare:s Snare:s Snare:s Snare:s Snare:s |"
                                        " Kick+Crash:q";

std::vector<TNote> Drums()
{
    const TAccents accents{BarTicks, 122, 112, 103};
    std::vector<TNote> notes = ParsePhrase(Repeat(DrumVerse, 16), Verse1Start, accents).Notes;
    Append(notes, ParsePhrase("Crash:q", InterludeStart, accents).Notes);
    Append(notes, ParsePhrase(Repeat(DrumDrive, 8), InterludeStart, accents).Notes);
    Append(notes, ParsePhrase("Crash:q", Verse2Start, accents).Notes);
    Append(notes, ParsePhrase(Repeat(DrumDrive, 16), Verse2Start, accents).Notes);
    Append(notes, ParsePhrase(DrumEnding, EndingStart, accents).Notes);
    return notes;
}

struct TPart {
    const char* Name; // nullptr: the track has no name
    uint8_t Channel;
    uint8_t Program;
    uint8_t Volume;
    uint8_t Pan;
    std::vector<TNote> Notes;
    int GatePercent;
};

} // namespace

TSongScore SwallowScore()
{
    TSongScore song;

    TTrackBuilder conductor;
    // Scalable-polyphony information (universal real-time, sub-IDs 0B 01).
    conductor.SysEx(0, std::string("\x7F\x7F\x0B\x01\x00\x01\x09\x03\x01\x04\x02\x09\x03\x0B\x04\x0D\x05\x10\xF7", 19));
    conductor.TimeSignature(0, 4, 2);
    conductor.KeySignature(0, 0);
    conductor.Tempo(0, 600'000);
    conductor.Tempo(120, 600'000);
    conductor.TimeSignature(MeterChange, 2, 2);
    conductor.KeySignature(MeterChange, -1);
    conductor.TimeSignature(SongEnd, 4, 2);
    song.Tracks.push_back(conductor.Finish(SongEnd));

    const TPart parts[] = {
        {"@", 0, 71, 127, 64, Melody(127), 95}, {nullptr, 1, 33, 110, 64, Bass(), 95},
        {nullptr, 2, 1, 110, 31, Piano(), 90},  {nullptr, 3, 71, 70, 64, Melody(97), 95},
        {nullptr, 4, 4, 110, 96, ElectricPiano(), 90}, {nullptr, 5, 49, 70, 64, Strings(), 98},
        {nullptr, 9, 0, 100, 64, Drums(), 50},
    };
    for (const TPart& part : parts) {
        TTrackBuilder track;
        if (part.Name)
            track.TrackName(part.Name);
        track.ChannelSetup(part.Channel, part.Program, part.Volume, part.Pan);
        if (part.Channel == 5) {
            // The strings swell for the interlude and settle for the second verse.
            track.Controller(InterludeStart, part.Channel, 7, 80);
            track.Controller(Verse2Start, part.Channel, 7, 75);
        }
        track.Notes(part.Channel, part.Notes, part.GatePercent);
        song.Tracks.push_back(track.Finish(SongEnd));
    }
    return song;
}
