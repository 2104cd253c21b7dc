#include "tools/songs/Score.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(std::string_view what, std::string_view token)
{
    throw std::invalid_argument(std::string(what) + " \"" + std::string(token) + "\"");
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t to = std::min(text.find(separator, from), text.size());
        parts.push_back(text.substr(from, to - from));
        from = to + 1;
    }
    return parts;
}

std::vector<std::string_view> Tokens(std::string_view text)
{
    std::vector<std::string_view> tokens;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        const size_t from = at;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        if (at > from)
            tokens.push_back(text.substr(from, at - from));
    }
    return tokens;
}

uint8_t Accent(const TAccents& accents, int32_t tickInBar)
{
    if (tickInBar == 0)
        return accents.Downbeat;
    return tickInBar % SongTicksPerQuarter == 0 ? accents.Beat : accents.Offbeat;
}

int ParseVelocity(std::string_view text, std::string_view token)
{
    int value = 0;
    if (text.empty() || text.size() > 3)
        Fail("Bad velocity in", token);
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            Fail("Bad velocity in", token);
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 127)
        Fail("Velocity out of 1..127 in", token);
    return value;
}

} // namespace

uint8_t NoteNumber(std::string_view name)
{
    struct TDrum {
        std::string_view Name;
        uint8_t Key;
    };
    static constexpr TDrum Drums[] = {{"Kick", 36},     {"Stick", 37},   {"Snare", 38},
                                      {"HatClosed", 42}, {"HatPedal", 44}, {"HatOpen", 46},
                                      {"Crash", 49},     {"Ride", 51},     {"Ride2", 59}};
    for (const TDrum& drum : Drums)
        if (drum.Name == name)
            return drum.Key;
    static constexpr int Steps[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G')
        Fail("Bad note name", name);
    int semitone = Steps[name[0] - 'A'];
    size_t at = 1;
    if (name[at] == '#' || name[at] == 'b')
        semitone += name[at++] == '#' ? 1 : -1;
    const std::string_view octaveText = name.substr(at);
    int octave = 0;
    if (octaveText == "-1")
        octave = -1;
    else if (octaveText.size() == 1 && std::isdigit(static_cast<unsigned char>(octaveText[0])))
        octave = octaveText[0] - '0';
    else
        Fail("Bad octave in note name", name);
    const int number = (octave + 1) * 12 + semitone;
    if (number < 0 || number > 127)
        Fail("Note out of 0..127", name);
    return uint8_t(number);
}

int32_t DurationTicks(std::string_view code)
{
    const bool dotted = !code.empty() && code.back() == '.';
    const std::string_view base = dotted ? code.substr(0, code.size() - 1) : code;
    int32_t ticks = 0;
    if (base == "w")
        ticks = 4 * SongTicksPerQuarter;
    else if (base == "h")
        ticks = 2 * SongTicksPerQuarter;
    else if (base == "q")
        ticks = SongTicksPerQuarter;
    else if (base == "e")
        ticks = SongTicksPerQuarter / 2;
    else if (base == "s")
        ticks = SongTicksPerQuarter / 4;
    else
        Fail("Bad duration", code);
    return dotted ? ticks + ticks / 2 : ticks;
}

TPhrase ParsePhrase(std::string_view score, int32_t start, const TAccents& accents)
{
    TPhrase phrase;
    int32_t at = start;
    for (std::string_view token : Tokens(score)) {
        if (token == "|") {
            if ((at - start) % accents.BarTicks != 0)
                Fail("Bar line off the bar boundary at", token);
            continue;
        }
        const size_t colon = token.find(':');
        if (colon == std::string_view::npos)
            Fail("Missing duration in", token);
        const std::string_view pitches = token.substr(0, colon);
        std::string_view rest = token.substr(colon + 1);
        int velocity = Accent(accents, (at - start) % accents.BarTicks);
        if (const size_t mark = rest.find('@'); mark != std::string_view::npos) {
            velocity = ParseVelocity(rest.substr(mark + 1), token);
            rest = rest.substr(0, mark);
        }
        const int32_t length = DurationTicks(rest);
        if (pitches != "r")
            for (std::string_view pitch : Split(pitches, '+'))
                phrase.Notes.push_back({at, length, NoteNumber(pitch), uint8_t(velocity)});
        at += length;
    }
    phrase.End = at;
    return phrase;
}

std::string Join(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (std::string_view part : parts)
        text.append(part).append(" ");
    return text;
}

std::string Repeat(std::string_view text, int times)
{
    std::string repeated;
    for (int i = 0; i < times; ++i)
        repeated.append(text).append(" ");
    return repeated;
}

std::string Note(std::string_view pitch, std::string_view duration)
{
    return std::string(pitch) + ":" + std::string(duration);
}

void Append(std::vector<TNote>& to, const std::vector<TNote>& notes) { to.insert(to.end(), notes.begin(), notes.end()); }

std::vector<std::string_view> ChartWords(std::string_view chart) { return Tokens(chart); }

std::vector<std::string> LyricSyllables(std::string_view words)
{
    std::vector<std::string> syllables;
    for (std::string_view token : Tokens(words)) {
        if (token == "/") {
            syllables.emplace_back("\r\n");
            continue;
        }
        const std::vector<std::string_view> parts = Split(token, '-');
        for (size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].empty())
                Fail("Empty syllable in", token);
            syllables.emplace_back(std::string(parts[i]) + (i + 1 == parts.size() ? " " : ""));
        }
    }
    return syllables;
}

void TTrackBuilder::Add(int32_t tick, TOrder order, TMidiEvent event)
{
    if (tick < 0)
        throw std::invalid_argument("Event before the start of the track");
    Events.push_back({tick, order, std::move(event)});
}

void TTrackBuilder::Meta(int32_t tick, uint8_t type, std::string bytes)
{
    TMidiEvent event;
    event.status = MidiMeta;
    event.data1 = type;
    event.text = std::move(bytes);
    Add(tick, SetUp, std::move(event));
}

void TTrackBuilder::SysEx(int32_t tick, std::string payload)
{
    if (payload.empty() || uint8_t(payload.back()) != 0xF7)
        throw std::invalid_argument("A system-exclusive payload must end with F7");
    TMidiEvent event;
    event.status = MidiSysEx;
    event.text = std::move(payload);
    Add(tick, SetUp, std::move(event));
}

void TTrackBuilder::Tempo(int32_t tick, uint32_t microsecondsPerQuarter)
{
    if (microsecondsPerQuarter == 0 || microsecondsPerQuarter > 0xFFFFFF)
        throw std::invalid_argument("Tempo out of range");
    Meta(tick, MetaSetTempo,
         {char(microsecondsPerQuarter >> 16), char(microsecondsPerQuarter >> 8 & 0xFF),
          char(microsecondsPerQuarter & 0xFF)});
}

void TTrackBuilder::TimeSignature(int32_t tick, uint8_t numerator, uint8_t denominatorPower)
{
    // 24 MIDI clocks per metronome click, 8 thirty-second notes per quarter.
    Meta(tick, 0x58, {char(numerator), char(denominatorPower), char(24), char(8)});
}

void TTrackBuilder::KeySignature(int32_t tick, int8_t sharps) { Meta(tick, 0x59, {char(sharps), char(0)}); }

void TTrackBuilder::Controller(int32_t tick, uint8_t channel, uint8_t number, uint8_t value)
{
    TMidiEvent event;
    event.status = uint8_t(MidiControlChange | channel);
    event.data1 = number;
    event.data2 = value;
    Add(tick, SetUp, std::move(event));
}

void TTrackBuilder::Program(int32_t tick, uint8_t channel, uint8_t program)
{
    TMidiEvent event;
    event.status = uint8_t(MidiProgramChange | channel);
    event.data1 = program;
    Add(tick, SetUp, std::move(event));
}

void TTrackBuilder::ChannelSetup(uint8_t channel, uint8_t program, uint8_t volume, uint8_t pan)
{
    Program(0, channel, program);
    Controller(0, channel, 7, volume);
    Controller(0, channel, 10, pan);
}

void TTrackBuilder::Notes(uint8_t channel, const std::vector<TNote>& notes, int gatePercent)
{
    for (const TNote& note : notes) {
        TMidiEvent on;
        on.status = uint8_t(MidiNoteOn | channel);
        on.data1 = note.Key;
        on.data2 = note.Velocity;
        TMidiEvent off = on;
        off.data2 = 0;
        Add(note.Start, NoteStart, std::move(on));
        Add(note.Start + std::max(1, note.Length * gatePercent / 100), NoteEnd, std::move(off));
    }
}

void TTrackBuilder::Lyrics(const std::vector<TNote>& notes, const std::vector<std::string>& syllables)
{
    size_t note = 0;
    for (const std::string& syllable : syllables) {
        if (note == notes.size())
            throw std::invalid_argument("More syllables than notes, at \"" + syllable + "\"");
        TMidiEvent event;
        event.status = MidiMeta;
        event.data1 = 0x05;
        event.text = syllable;
        Add(notes[note].Start, Lyric, std::move(event));
        if (syllable != "\r\n")
            ++note;
    }
    if (note != notes.size())
        throw std::invalid_argument("Fewer syllables than notes");
}

std::vector<TMidiEvent> TTrackBuilder::Finish(int32_t endTick) const
{
    std::vector<TTimed> timed = Events;
    std::stable_sort(timed.begin(), timed.end(), [](const TTimed& a, const TTimed& b) {
        return a.Tick != b.Tick ? a.Tick < b.Tick : a.Order < b.Order;
    });
    std::vector<TMidiEvent> events;
    events.reserve(timed.size() + 1);
    int32_t last = 0;
    for (const TTimed& item : timed) {
        TMidiEvent event = item.Event;
        event.deltaTicks = item.Tick - last;
        event.absoluteTicks = item.Tick;
        last = item.Tick;
        events.push_back(std::move(event));
    }
    TMidiEvent end;
    end.status = MidiMeta;
    end.data1 = MetaEndOfTrack;
    end.absoluteTicks = std::max(endTick, last);
    end.deltaTicks = end.absoluteTicks - last;
    events.push_back(std::move(end));
    return events;
}
