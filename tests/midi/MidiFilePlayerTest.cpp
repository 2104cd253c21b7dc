#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"

#include <gtest/gtest.h>

namespace {

// A song on a manual clock that logs every event it plays as "track-index/data1".
class MidiFilePlayer : public ::testing::Test {
protected:
    TManualTickClock Clock{1000};
    TMidiFile Song{Clock};
    std::vector<int> Played; // data1 of each event played, in order
    int Updates = 0;

    void SetUp() override
    {
        Song.OnMidiEvent = [this](PMidiEvent event) { Played.push_back(event->data1); };
        Song.OnUpdateEvent = [this](void* sender) {
            EXPECT_EQ(sender, &Song);
            ++Updates;
        };
    }
    void Load(const std::string& bytes) { Song.ReadResource(bytes.data(), bytes.size()); }
    void TickAt(uint32_t elapsed)
    {
        Clock.Set(1000 + elapsed);
        Song.TimerTick(nullptr);
    }
};

// One Program Change per given tick in its own track; data1 tells the events apart.
std::string ChangesAt(std::initializer_list<std::pair<int, int>> tickAndId)
{
    std::string events;
    int last = 0;
    for (auto [tick, id] : tickAndId) {
        events += VarLen(uint32_t(tick - last)) + Bytes({0xC0, id});
        last = tick;
    }
    return TrackChunk(events);
}

} // namespace

TEST_F(MidiFilePlayer, EventsPlayOnceTheRoundedPositionPassesThem)
{
    Load(HeaderChunk(1, 1, 120) + ChangesAt({{0, 1}, {1, 2}, {2, 3}, {3, 4}}));
    Song.SetBpm(120); // 2.4 ticks per 10 ms
    Song.StartPlaying();
    EXPECT_EQ(Song.GetCurrentTime(), 0);
    TickAt(2); // position 0.48 rounds to 0: nothing yet
    EXPECT_TRUE(Played.empty());
    EXPECT_EQ(Updates, 1) << "every tick calls the update hook, with or without events";
    TickAt(3); // 0.72 rounds to 1: the event at tick 0
    EXPECT_EQ(Played, (std::vector<int>{1}));
    EXPECT_EQ(Song.GetCurrentTime(), 3);
    TickAt(10); // 2.4 rounds to 2: tick 1 as well
    EXPECT_EQ(Played, (std::vector<int>{1, 2}));
    TickAt(15); // 3.6 rounds to 4: the rest
    EXPECT_EQ(Played, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(Song.Ready());
}

TEST_F(MidiFilePlayer, HalvesRoundToEven)
{
    // 2000 us per tick: 1 ms is half a tick. Position 2.5 rounds to 2, 3.5 to 4.
    Load(HeaderChunk(1, 1, 1000) + ChangesAt({{2, 1}, {3, 2}}));
    Song.SetUsPerTick(2000.0);
    Song.StartPlaying();
    TickAt(5); // 2.5 -> 2
    EXPECT_TRUE(Played.empty());
    TickAt(7); // 3.5 -> 4
    EXPECT_EQ(Played, (std::vector<int>{1, 2}));
}

TEST_F(MidiFilePlayer, TracksAreServedInListOrderWithinATick)
{
    Load(HeaderChunk(1, 2, 120) + ChangesAt({{0, 10}, {5, 11}}) + ChangesAt({{0, 20}, {1, 21}}));
    Song.SetBpm(120);
    Song.StartPlaying();
    TickAt(100);
    EXPECT_EQ(Played, (std::vector<int>{10, 11, 20, 21})) << "track by track, not merged by time";
}

TEST_F(MidiFilePlayer, TempoChangeGovernsFromTheNextTick)
{
    // Set Tempo at tick 0 to 250000 us per quarter: twice as fast as the 120 bpm start.
    Load(HeaderChunk(1, 1, 100) +
         TrackChunk(Bytes({0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x0A, 0xC0, 0x01, 0x0A, 0xC0, 0x02})));
    Song.SetUsPerTick(5000.0); // 2 ticks per 10 ms
    Song.StartPlaying();
    TickAt(10); // position 2: the tempo event plays; this tick's step was taken at the old tempo
    EXPECT_EQ(Played, (std::vector<int>{MetaSetTempo}));
    EXPECT_DOUBLE_EQ(Song.UsPerTick(), 2500.0);
    EXPECT_EQ(Song.Bpm(), 240);
    TickAt(20); // +4 ticks: 6, still before tick 10
    EXPECT_EQ(Played.size(), 1u);
    TickAt(30); // +4: 10, strictly below is needed
    EXPECT_EQ(Played.size(), 1u);
    TickAt(31); // 10.4 rounds to 10
    TickAt(32); // 10.8 rounds to 11
    EXPECT_EQ(Played, (std::vector<int>{MetaSetTempo, 1}));
}

TEST_F(MidiFilePlayer, RestartPlaysFromTheBeginningAtTheLastTempoPlayed)
{
    Load(HeaderChunk(1, 1, 100) +
         TrackChunk(Bytes({0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x04, 0xC0, 0x07})));
    Song.SetUsPerTick(5000.0);
    Song.StartPlaying();
    TickAt(30);
    ASSERT_EQ(Played.size(), 2u);
    Song.StopPlaying();
    TickAt(40);
    EXPECT_EQ(Updates, 1) << "a stopped song calls no hook";
    Song.StartPlaying();
    EXPECT_EQ(Song.GetCurrentTime(), 0);
    TickAt(41); // 1 ms at 2500 us per tick is 0.4 ticks: nothing yet
    EXPECT_EQ(Played.size(), 2u);
    TickAt(42);
    EXPECT_EQ(Played.size(), 3u);
    EXPECT_EQ(Song.GetTrack(0)->Position, 1);
}

TEST_F(MidiFilePlayer, ReadinessAndEmptySongs)
{
    Song.StartPlaying();
    EXPECT_TRUE(Song.Ready());
    TickAt(10);
    EXPECT_EQ(Updates, 1);
    EXPECT_EQ(Song.GetSongLength(), 0);

    // Empty track chunks are ready at the first tick and add nothing to the length.
    Load(HeaderChunk(1, 2, 120) + TrackChunk("") + ChangesAt({{240, 1}}));
    Song.SetBpm(120);
    EXPECT_EQ(Song.GetSongLength(), 1000);
    Song.StartPlaying();
    TickAt(10);
    EXPECT_TRUE(Song.GetTrack(0)->Ready);
    EXPECT_FALSE(Song.GetTrack(1)->Ready);
    EXPECT_FALSE(Song.Ready());
}

TEST_F(MidiFilePlayer, SongLengthRoundsHalvesToEven)
{
    Load(HeaderChunk(1, 2, 120) + ChangesAt({{3, 1}}) + ChangesAt({{1, 1}}));
    Song.SetUsPerTick(500.0); // 1.5 ms
    EXPECT_EQ(Song.GetSongLength(), 2);
    Load(HeaderChunk(1, 1, 120) + ChangesAt({{5, 1}}));
    EXPECT_EQ(Song.GetSongLength(), 2); // 2.5 ms
}

TEST_F(MidiFilePlayer, ClockWrapDoesNoHarm)
{
    Load(HeaderChunk(1, 1, 1000) + ChangesAt({{5, 1}, {15, 2}}));
    Song.SetUsPerTick(1000.0);
    Clock.Set(0xFFFFFFF8u);
    Song.StartPlaying();
    Clock.Set(2); // 10 ms later, across the wrap
    Song.TimerTick(nullptr);
    EXPECT_EQ(Song.GetCurrentTime(), 10);
    EXPECT_EQ(Played, (std::vector<int>{1}));
}

TEST_F(MidiFilePlayer, UnusableTemposNeverBreakTheTick)
{
    // No tempo known: the position stands still.
    Load(HeaderChunk(1, 1, 120) + ChangesAt({{1, 1}}));
    ASSERT_EQ(Song.UsPerTick(), 0.0);
    Song.StartPlaying();
    TickAt(1000);
    EXPECT_TRUE(Played.empty());
    EXPECT_EQ(Song.GetCurrentTime(), 1000);

    // A tiny tempo drives the position beyond the 32-bit range: it saturates.
    Song.SetUsPerTick(1e-300);
    TickAt(2000);
    EXPECT_EQ(Played, (std::vector<int>{1}));
    TickAt(3000);
    EXPECT_EQ(Song.GetTrack(0)->Position, 1);

    // A Set Tempo of 0 played (it cannot be read, so build the track by hand) keeps the
    // tempo and is still handed on.
    Song.Clear();
    Song.SetTicksPerQuarter(100);
    Song.SetBpm(120);
    Song.AddTrack();
    TMidiEvent tempo;
    tempo.status = MidiMeta;
    tempo.data1 = MetaSetTempo;
    tempo.text = std::string(3, '\0');
    Song.GetTrack(0)->PutEvent(std::move(tempo));
    Played.clear();
    Song.StartPlaying();
    EXPECT_NO_THROW(TickAt(4000));
    EXPECT_EQ(Played, (std::vector<int>{MetaSetTempo}));
    EXPECT_EQ(Song.Bpm(), 120);
    EXPECT_DOUBLE_EQ(Song.UsPerTick(), 5000.0);
}

TEST_F(MidiFilePlayer, StopInTheMiddleOfABurstTakesEffectAtTheNextEvent)
{
    std::string burst;
    for (int i = 0; i < 5000; ++i)
        burst += Bytes({0x00, 0xC0, i % 128});
    Load(HeaderChunk(1, 2, 120) + TrackChunk(burst) + ChangesAt({{0, 1}}));
    Song.SetBpm(120);
    Song.OnMidiEvent = [this](PMidiEvent event) {
        Played.push_back(event->data1);
        if (Played.size() == 3)
            Song.StopPlaying();
    };
    Song.StartPlaying();
    TickAt(10);
    EXPECT_EQ(Played, (std::vector<int>{0, 1, 2})) << "neither the rest of the burst nor the next track plays";
    EXPECT_FALSE(Song.Ready());

    // Played again from the start, the whole burst comes in one tick.
    Song.OnMidiEvent = [this](PMidiEvent event) { Played.push_back(event->data1); };
    Played.clear();
    Clock.Set(1000);
    Song.StartPlaying();
    TickAt(10);
    EXPECT_EQ(Played.size(), 5001u);
    EXPECT_TRUE(Song.Ready());
}
