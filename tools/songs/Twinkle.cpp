// "Twinkle, Twinkle, Little Star" in D major, 2/4 at 120 beats per minute: four bars of
// introduction, the tune twice with both verses of the nursery rhyme, and a quicker closing
// chorus under a ritardando. Melody on four lead channels (the first three are the ones the
// child plays), fretless bass, two pianos, two harps and drums.
#include "tools/songs/Songs.h"

#include <cmath>
#include <string_view>

namespace {

constexpr int32_t BarTicks = 240;
constexpr int32_t IntroStart = 0;
constexpr int32_t Verse1Start = 960;
constexpr int32_t Verse2Start = 6720;
constexpr int32_t CodaStart = 12480;
constexpr int32_t RitardandoStart = 13740;
constexpr int32_t SongEnd = 14100;
constexpr int32_t CodaLastBar = 13920; // cut short: the song ends 180 ticks into it

// ---- The tune ----

constexpr std::string_view Twinkle = "D5:q D5:q | A5:q A5:q | B5:q B5:q | A5:h |";
constexpr std::string_view Wonder = "G5:q G5:q | F#5:q F#5:q | E5:q E5:q | D5:h |";
constexpr std::string_view Above = "A5:q A5:q | G5:q G5:q | F#5:q F#5:q | E5:h |";
constexpr std::string_view Coda = "D5:e D5:e A5:e A5:e | B5:e B5:e A5:q | G5:e G5:e F#5:e F#5:e | E5:e E5:e D5:q |"
                                  " D5:e D5:e A5:e A5:e | B5:e B5:e A5:e F#5:e | E5:e D5:q";

constexpr std::string_view Verse1Words =
    "Twin-kle, twin-kle, lit-tle star, / How I won-der what you are! / Up a-bove the world so high, /"
    " Like a dia-mond in the sky. / Twin-kle, twin-kle, lit-tle star, / How I won-der what you are! /";
constexpr std::string_view Verse2Words =
    "When the bla-zing sun is gone, / When he no-thing shines up-on, / Then you show your lit-tle light, /"
    " Twin-kle, twin-kle, all the night. / Twin-kle, twin-kle, lit-tle star, / How I won-der what you are! /";
constexpr std::string_view CodaWords =
    "Twin-kle, twin-kle, lit-tle star, / How I won-der what you are! / Twin-kle, twin-kle, lit-tle star, what you are!";

std::vector<TNote> Melody(const TAccents& accents)
{
    const std::string verse = Join({Twinkle, Wonder, Above, Above, Twinkle, Wonder});
    std::vector<TNote> notes = ParsePhrase(verse, Verse1Start, accents).Notes;
    Append(notes, ParsePhrase(verse, Verse2Start, accents).Notes);
    Append(notes, ParsePhrase(Coda, CodaStart, accents).Notes);
    // The closing D falls off the beat but is struck like a downbeat.
    notes.back().Velocity = accents.Downbeat;
    return notes;
}

// ---- Harmony: one chord per bar, "G-D" for a bar whose second beat changes chord ----

constexpr std::string_view IntroChords = "D G D A";
constexpr std::string_view VerseChords = "D D G D G D/F# A D  D G D A  D G D A  D D G D G D/F# A D";
constexpr std::string_view CodaChords = "D G-D G-D A-D D G-D";

struct TVoicing {
    std::string_view Chord;
    std::string_view PianoLeft;
    std::string_view PianoRight;
    std::string_view HarpBroken[4]; // eighths under the tune
    std::string_view HarpRun[4];    // sixteenths, rising then falling, over the closing chorus
};

constexpr TVoicing Voicings[] = {
    {"D", "D2", "D4+F#4+A4", {"D4", "A4", "F#4", "A4"}, {"D5", "F#5", "A5", "D6"}},
    {"D/F#", "F#2", "D4+F#4+A4", {"F#4", "A4", "D4", "A4"}, {"F#5", "A5", "D6", "A5"}},
    {"G", "G1", "B3+D4+G4", {"D4", "B4", "G4", "B4"}, {"D5", "G5", "B5", "D6"}},
    {"A", "A1", "C#4+E4+A4", {"C#4", "A4", "E4", "A4"}, {"C#5", "E5", "A5", "C#6"}},
};

// Each bar of a chart as the chords of its two beats.
std::vector<std::pair<const TVoicing*, const TVoicing*>> ChartBars(std::string_view chart)
{
    std::vector<std::pair<const TVoicing*, const TVoicing*>> bars;
    for (std::string_view bar : ChartWords(chart)) {
        const size_t dash = bar.find('-');
        const std::string_view first = bar.substr(0, dash);
        const std::string_view second = dash == std::string_view::npos ? first : bar.substr(dash + 1);
        bars.emplace_back(&FindVoicing(Voicings, first), &FindVoicing(Voicings, second));
    }
    return bars;
}

// Oom-pah: the root on the first beat, the chord on both off-beats.
std::vector<TNote> Piano(std::string_view chart, int32_t start, const TAccents& accents)
{
    std::string left, right;
    for (const auto& [first, second] : ChartBars(chart)) {
        left += Join({Note(first->PianoLeft, "q"), "r:q |"});
        right += Join({"r:e", Note(first->PianoRight, "e"), "r:e", Note(second->PianoRight, "e"), "|"});
    }
    std::vector<TNote> notes = ParsePhrase(left, start, accents).Notes;
    Append(notes, ParsePhrase(right, start, accents).Notes);
    return notes;
}

std::string HarpBroken(const TVoicing& first, const TVoicing& second)
{
    return Join({Note(first.HarpBroken[0], "e"), Note(first.HarpBroken[1], "e"), Note(second.HarpBroken[2], "e"),
                 Note(second.HarpBroken[3], "e"), "|"});
}

std::string HarpRun(const TVoicing& first, const TVoicing& second)
{
    return Join({Note(first.HarpRun[0], "s"), Note(first.HarpRun[1], "s"), Note(first.HarpRun[2], "s"),
                 Note(first.HarpRun[3], "s"), Note(second.HarpRun[3], "s"), Note(second.HarpRun[2], "s"),
                 Note(second.HarpRun[1], "s"), Note(second.HarpRun[0], "s"), "|"});
}

// Under the first verse the harp only answers the tune's long notes, rising over them; under
// the second it ripples through every bar.
std::vector<TNote> Harp(const TAccents& accents)
{
    constexpr std::string_view Intro = "D3:e A3:e D4:e F#4:e | G3:e B3:e D4:e G4:e | A3:e D4:e F#4:e A4:e |"
                                       " A3:e C#4:e E4:e A4:e |";
    std::vector<TNote> notes = ParsePhrase(Intro, IntroStart, accents).Notes;

    const auto verse = ChartBars(VerseChords);
    // The tune holds a note in the 4th and 8th bar of each eight-bar line, the 4th of each four-bar one.
    constexpr int HeldBars[] = {3, 7, 11, 15, 19, 23};
    for (int bar : HeldBars) {
        const TVoicing& chord = *verse[size_t(bar)].first;
        const std::string fill = Join({Note(chord.HarpRun[0], "e"), Note(chord.HarpRun[1], "e"),
                                       Note(chord.HarpRun[2], "e"), Note(chord.HarpRun[3], "e"), "|"});
        Append(notes, ParsePhrase(fill, Verse1Start + bar * BarTicks, accents).Notes);
    }

    std::string second;
    for (const auto& [first, next] : verse)
        second += HarpBroken(*first, *next);
    Append(notes, ParsePhrase(second, Verse2Start, accents).Notes);

    std::string coda;
    for (const auto& [first, next] : ChartBars(CodaChords))
        coda += HarpRun(*first, *next);
    coda += "r:e D5+D6:q@127";
    Append(notes, ParsePhrase(coda, CodaStart, accents).Notes);
    return notes;
}

// The last bar of the coda: the dominant under the tune's E, then the closing D major chord.
std::vector<TNote> PianoEnding()
{
    return ParsePhrase("C#4+E4+A4:e@52 D2+A2+D3+F#3+A3:q@70", CodaLastBar, TAccents{}).Notes;
}

// ---- Bass ----

constexpr std::string_view BassIntro = "r:h | G1:q D2:q | D2:q A1:q | A1:q E2:q |";
constexpr std::string_view BassTwinkle =
    "D2:q A1:q | D2:q A1:q | G1:q D2:q | D2:q A1:q | G1:q D2:q | F#1:q A1:q | A1:q E2:q | D2:q A1:q |";
constexpr std::string_view BassAbove = "D2:q A1:q | G1:q D2:q | D2:q A1:q | A1:q E2:q |";
// The second verse walks: a seventh into the G chord, the leading note into D.
constexpr std::string_view BassAboveWalking = "D2:q C3:q | G1:q B1:q | D2:q A1:q | A1:q C#2:q |";
constexpr std::string_view BassCoda =
    "D2:q A1:q | G1:q D2:q | G1:q D2:q | A1:q D2:q | D2:q A1:q | G1:q D2:q | A1:e D2:q@86";

std::vector<TNote> Bass()
{
    constexpr TAccents Soft{BarTicks, 80, 62, 62};
    constexpr TAccents Full{BarTicks, 90, 76, 76};
    std::vector<TNote> notes = ParsePhrase(BassIntro, IntroStart, Soft).Notes;
    Append(notes, ParsePhrase(Join({BassTwinkle, BassAbove, BassAbove, BassTwinkle}), Verse1Start, Soft).Notes);
    Append(notes,
           ParsePhrase(Join({BassTwinkle, BassAboveWalking, BassAboveWalking, BassTwinkle}), Verse2Start, Full).Notes);
    Append(notes, ParsePhrase(BassCoda, CodaStart, Full).Notes);
    return notes;
}

// ---- Drums ----

constexpr std::string_view DrumIntro = "Ride2:q Ride2:q | Ride2:q Ride2:q | Ride2:q Ride2:q |"
                                       " Snare:e Snare:e Snare:e Snare:e |";
constexpr std::string_view DrumLight = "Kick+HatClosed:e HatClosed:e Stick+HatClosed:e HatClosed:e |";
constexpr std::string_view DrumFull = "Kick+Ride:e Ride:e Snare+Ride:e Ride:e |";
constexpr std::string_view DrumDrive = "Kick+HatClosed:s HatClosed:s HatClosed:s HatClosed:s"
                                       " Snare+HatClosed:s HatClosed:s Kick+HatClosed:s HatClosed:s |";
constexpr std::string_view DrumFill = "Kick+HatClosed:s HatClosed:s HatClosed:s HatClosed:s"
                                      " Snare+HatClosed:s Snare+HatClosed:s Snare+HatClosed:s Snare+HatClosed:s |";

std::vector<TNote> Drums()
{
    constexpr TAccents Light{BarTicks, 90, 80, 65};
    constexpr TAccents Full{BarTicks, 100, 90, 70};
    std::vector<TNote> notes = ParsePhrase(DrumIntro, IntroStart, Light).Notes;
    Append(notes, ParsePhrase(Repeat(DrumLight, 24), Verse1Start, Light).Notes);
    Append(notes, ParsePhrase("Crash:q@100", Verse2Start, Full).Notes);
    Append(notes, ParsePhrase(Repeat(DrumFull, 24), Verse2Start, Full).Notes);
    Append(notes, ParsePhrase("Crash:q@100", CodaStart, Full).Notes);
    Append(notes, ParsePhrase(Join({Repeat(DrumDrive, 5), DrumFill, "r:e Kick+Crash:q@100"}), CodaStart, Full).Notes);
    return notes;
}

// ---- Conductor ----

// From 120 down to 80 beats per minute in steps of half a beat, spread evenly over the ticks
// between the start of the ritardando and the end of the song.
void Ritardando(TTrackBuilder& conductor)
{
    constexpr int Steps = 80;
    for (int step = 0; step < Steps; ++step) {
        const double bpm = 119.5 - 0.5 * step;
        const int32_t tick = RitardandoStart + int32_t(std::lround(double(step) * (SongEnd - RitardandoStart) / (Steps - 1)));
        conductor.Tempo(tick, uint32_t(std::lround(60'000'000.0 / bpm)));
    }
}

// Every channel of this song also starts with the modulation wheel at rest.
void SetUp(TTrackBuilder& track, uint8_t channel, uint8_t program, uint8_t volume, uint8_t pan)
{
    track.ChannelSetup(channel, program, volume, pan);
    track.Controller(0, channel, 1, 0);
}

struct TLead {
    const char* Name;
    uint8_t Channel;
    uint8_t Program;
    uint8_t Pan;
    TAccents Accents;
};

} // namespace

TSongScore TwinkleScore()
{
    TSongScore song;

    TTrackBuilder conductor;
    conductor.TrackName("untitled");
    conductor.TimeSignature(0, 2, 2);
    conductor.KeySignature(0, 2);
    conductor.Tempo(0, 500'000);
    Ritardando(conductor);
    song.Tracks.push_back(conductor.Finish(SongEnd));

    const std::vector<std::string> words = [] {
        std::vector<std::string> all = LyricSyllables(Verse1Words);
        for (std::string_view part : {Verse2Words, CodaWords}) {
            const std::vector<std::string> more = LyricSyllables(part);
            all.insert(all.end(), more.begin(), more.end());
        }
        return all;
    }();
    const TLead leads[] = {
        {"@", 0, 80, 64, {BarTicks, 84, 72, 61}},
        {"@", 1, 80, 94, {BarTicks, 40, 40, 40}},
        {"@", 2, 80, 34, {BarTicks, 60, 60, 60}},
        {"1", 3, 100, 74, {BarTicks, 60, 60, 60}},
    };
    for (const TLead& lead : leads) {
        TTrackBuilder track;
        track.TrackName(lead.Name);
        SetUp(track, lead.Channel, lead.Program, 100, lead.Pan);
        const std::vector<TNote> melody = Melody(lead.Accents);
        track.Lyrics(melody, words);
        track.Notes(lead.Channel, melody, 90);
        song.Tracks.push_back(track.Finish(SongEnd));
    }

    TTrackBuilder bass;
    bass.TrackName("1");
    SetUp(bass, 4, 35, 105, 60);
    bass.Notes(4, Bass(), 95);
    song.Tracks.push_back(bass.Finish(SongEnd));

    constexpr TAccents PianoSoft{BarTicks, 64, 52, 52};
    constexpr TAccents PianoFull{BarTicks, 70, 58, 58};
    std::vector<TNote> piano = Piano(IntroChords, IntroStart, PianoSoft);
    Append(piano, Piano(VerseChords, Verse1Start, PianoSoft));
    Append(piano, Piano(VerseChords, Verse2Start, PianoFull));
    Append(piano, Piano(CodaChords, CodaStart, PianoFull));
    Append(piano, PianoEnding());
    for (const auto& [channel, pan] : {std::pair<uint8_t, uint8_t>{5, 104}, {6, 24}}) {
        TTrackBuilder track;
        track.TrackName("6");
        SetUp(track, channel, 0, 105, pan);
        track.Notes(channel, piano, 90);
        song.Tracks.push_back(track.Finish(SongEnd));
    }

    const std::vector<TNote> harp = Harp(TAccents{BarTicks, 127, 110, 96});
    for (const auto& [channel, pan] : {std::pair<uint8_t, uint8_t>{7, 84}, {8, 44}}) {
        TTrackBuilder track;
        track.TrackName("1");
        SetUp(track, channel, 46, 60, pan);
        track.Notes(channel, harp, 100);
        song.Tracks.push_back(track.Finish(SongEnd));
    }

    TTrackBuilder drums;
    drums.TrackName("8");
    SetUp(drums, 9, 0, 105, 64);
    drums.Notes(9, Drums(), 50);
    song.Tracks.push_back(drums.Finish(SongEnd));
    return song;
}
