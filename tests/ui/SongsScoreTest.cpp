#include "tools/songs/Score.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace {

TEST(SongsScore, NoteNamesAndDrumNames)
{
    EXPECT_EQ(NoteNumber("C4"), 60);
    EXPECT_EQ(NoteNumber("F#5"), 78);
    EXPECT_EQ(NoteNumber("Bb2"), 46);
    EXPECT_EQ(NoteNumber("C-1"), 0);
    EXPECT_EQ(NoteNumber("G9"), 127);
    EXPECT_EQ(NoteNumber("B3"), 59);
    EXPECT_EQ(NoteNumber("Kick"), 36);
    EXPECT_EQ(NoteNumber("Ride2"), 59);
    for (const char* bad : {"", "C", "H4", "C10", "G#9", "Cb-1", "c4", "D#", "Kik"})
        EXPECT_THROW(NoteNumber(bad), std::invalid_argument) << bad;
}

TEST(SongsScore, Durations)
{
    EXPECT_EQ(DurationTicks("w"), 480);
    EXPECT_EQ(DurationTicks("h."), 360);
    EXPECT_EQ(DurationTicks("q"), 120);
    EXPECT_EQ(DurationTicks("e."), 90);
    EXPECT_EQ(DurationTicks("s"), 30);
    for (const char* bad : {"", ".", "x", "q..", "qq"})
        EXPECT_THROW(DurationTicks(bad), std::invalid_argument) << bad;
}

TEST(SongsScore, PhraseTimesChordsRestsAndAccents)
{
    const TAccents accents{240, 100, 90, 70};
    const TPhrase phrase = ParsePhrase("D3+F#3:q r:e A3:e | B3:h@55 |", 960, accents);
    ASSERT_EQ(phrase.Notes.size(), 4u);
    EXPECT_EQ(phrase.End, 960 + 480);
    const TNote expected[] = {{960, 120, 50, 100}, {960, 120, 54, 100}, {1140, 60, 57, 70}, {1200, 240, 59, 55}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(phrase.Notes[i].Start, expected[i].Start) << i;
        EXPECT_EQ(phrase.Notes[i].Length, expected[i].Length) << i;
        EXPECT_EQ(phrase.Notes[i].Key, expected[i].Key) << i;
        EXPECT_EQ(phrase.Notes[i].Velocity, expected[i].Velocity) << i;
    }
    EXPECT_EQ(ParsePhrase("r:q C4:q", 0, accents).Notes.at(0).Velocity, 90) << "second beat";
}

TEST(SongsScore, PhraseErrorsNameTheToken)
{
    const TAccents accents{240, 100, 90, 70};
    try {
        ParsePhrase("D5:q D5:e | A5:q", 0, accents);
        FAIL() << "a bar line a quaver early must be refused";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("|"), std::string::npos) << error.what();
    }
    for (const char* bad : {"D5", "D5:q@0", "D5:q@128", "D5:q@x", "D5+:q", "Q5:q"})
        EXPECT_THROW(ParsePhrase(bad, 0, accents), std::invalid_argument) << bad;
}

TEST(SongsScore, LyricsSplitIntoSyllablesAndLineBreaks)
{
    const std::vector<std::string> expected{"Twin", "kle, ", "lit", "tle ", "star, ", "\r\n", "How "};
    EXPECT_EQ(LyricSyllables("Twin-kle, lit-tle star, / How"), expected);
    EXPECT_THROW(LyricSyllables("a--b"), std::invalid_argument);
}

TEST(SongsScore, ChartsAndVoicings)
{
    struct TVoicing {
        std::string_view Chord;
        int Root;
    };
    constexpr TVoicing table[] = {{"D", 38}, {"G-D", 31}};
    const std::vector<std::string_view> words = ChartWords("  D  G-D\tD ");
    ASSERT_EQ(words, (std::vector<std::string_view>{"D", "G-D", "D"}));
    EXPECT_EQ(FindVoicing(table, words[1]).Root, 31);
    EXPECT_THROW(FindVoicing(table, "Em"), std::invalid_argument);
}

TEST(SongsScore, TrackEventsComeInTimeOrderWithDeltas)
{
    TTrackBuilder track;
    const std::vector<TNote> notes = ParsePhrase("C4:q C4:q", 120, TAccents{240, 100, 90, 80}).Notes;
    track.Notes(3, notes, 50);
    track.Lyrics(notes, LyricSyllables("one / two"));
    track.TrackName("@");
    track.Controller(0, 3, 7, 100);
    const std::vector<TMidiEvent> events = track.Finish(600);

    struct TExpected {
        int32_t Tick;
        uint8_t Status, Data1, Data2;
        const char* Text;
    };
    const TExpected expected[] = {
        {0, 0xFF, 0x03, 0, "@"},      {0, 0xB3, 7, 100, ""},       {120, 0xFF, 0x05, 0, "one "},
        {120, 0x93, 60, 100, ""},     {180, 0x93, 60, 0, ""},      {240, 0xFF, 0x05, 0, "\r\n"},
        {240, 0xFF, 0x05, 0, "two "}, {240, 0x93, 60, 90, ""},     {300, 0x93, 60, 0, ""},
        {600, 0xFF, 0x2F, 0, ""},
    };
    ASSERT_EQ(events.size(), std::size(expected));
    int32_t previous = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].absoluteTicks, expected[i].Tick) << i;
        EXPECT_EQ(events[i].deltaTicks, expected[i].Tick - previous) << i;
        EXPECT_EQ(events[i].status, expected[i].Status) << i;
        EXPECT_EQ(events[i].data1, expected[i].Data1) << i;
        EXPECT_EQ(events[i].data2, expected[i].Data2) << i;
        EXPECT_EQ(events[i].text, expected[i].Text) << i;
        previous = expected[i].Tick;
    }
}

TEST(SongsScore, RepeatedNoteEndsBeforeItSoundsAgain)
{
    TTrackBuilder track;
    track.Notes(0, ParsePhrase("D5:q D5:q", 0, TAccents{}).Notes);
    const std::vector<TMidiEvent> events = track.Finish(0);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[1].absoluteTicks, 120);
    EXPECT_EQ(events[1].data2, 0) << "the first D ends";
    EXPECT_EQ(events[2].absoluteTicks, 120);
    EXPECT_GT(events[2].data2, 0) << "then the second starts";
    EXPECT_EQ(events[4].absoluteTicks, 240) << "End of Track at the last event when the end tick is earlier";
}

TEST(SongsScore, MetaPayloadsAndRefusals)
{
    TTrackBuilder track;
    track.Tempo(0, 502092);
    track.TimeSignature(0, 2, 2);
    track.KeySignature(0, -1);
    const std::vector<TMidiEvent> events = track.Finish(0);
    EXPECT_EQ(events[0].text, std::string("\x07\xA9\x4C", 3));
    EXPECT_EQ(events[1].text, std::string("\x02\x02\x18\x08", 4));
    EXPECT_EQ(events[2].text, std::string("\xFF\x00", 2));

    EXPECT_THROW(track.Tempo(0, 0), std::invalid_argument);
    EXPECT_THROW(track.Tempo(0, 0x1000000), std::invalid_argument);
    EXPECT_THROW(track.SysEx(0, "\x7E\x7F"), std::invalid_argument);
    EXPECT_THROW(track.Meta(-1, 0x01, "x"), std::invalid_argument);
    const std::vector<TNote> two = ParsePhrase("C4:q C4:q", 0, TAccents{}).Notes;
    EXPECT_THROW(track.Lyrics(two, LyricSyllables("one")), std::invalid_argument);
    EXPECT_THROW(track.Lyrics(two, LyricSyllables("one two three")), std::invalid_argument);
}

} // namespace
