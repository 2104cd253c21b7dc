// The song component: one song as tracks of MIDI events with the song's header values and
// tempo. It reads Standard MIDI Files, plays them against the millisecond tick count, records
// the short messages it is handed, and writes a recording out as a format 1 file.
//
// Threads:
// - Window thread: construction, destruction, the property setters, Clear, ReadFile,
//   ReadResource, SetBpm, GetTrack and the track walk, StartPlaying, WriteFile and WriteStream. None of the
//   changing ones while the song plays (stop the song and its timer first) or while recording
//   is on; reading the getters and the tracks' Name and Channel is fine meanwhile.
// - Timer thread: TimerTick and everything it calls (PlayToTime, the tracks' PlayUntil,
//   HandleTrackEvent, OnMidiEvent, OnUpdateEvent).
// - Any thread: StopPlaying, Playing, GetCurrentTime, the recorder (StartRecording,
//   RecordEvent, StopRecording, GetRecordingTime, Recording, GetSongLength, NumberOfTracks).
//   Recorder calls from the window and the timer thread never interleave: they take one lock.
#pragma once

#include "midi/ChannelSet.h"
#include "midi/MidiEvent.h"
#include "midi/MidiTimer.h"
#include "midi/platform/TickCount.h"

#include <array>
#include <climits>
#include <atomic>
#include <cstdint>
#include <deque>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// A reading or writing failure, with a message saying what went wrong.
class EMidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The header's format word, in file order.
enum class TFileFormat { single, multi_synch, multi_asynch };

// One track of a song. It has no lock of its own: it is filled on the window thread (or under
// the recorder's lock) and played on the timer thread, never both at once.
class TMidiTrack {
public:
    // Playing one event: the owning file's HandleTrackEvent for every track a file creates.
    TOnMidiEvent OnEvent;

    std::string Name;       // text of the last track-name meta event put in
    std::string Instrument; // text of the last instrument-name meta event put in
    int32_t CurrentTime = 0; // running sum of the deltas put in so far
    int32_t Position = 0;    // index of the next event to play
    bool Ready = false;      // every event has been played
    int32_t Channel = 0;     // channel of the last Note Off (or Note On with velocity 0)

    // Appends the event, stamping its absoluteTicks with the running sum of deltas.
    void PutEvent(TMidiEvent event);
    // Null when the index is negative or not below the event count.
    PMidiEvent GetEvent(int32_t index) const;
    int32_t EventCount() const { return static_cast<int32_t>(Events.size()); }
    const std::string& GetName() const { return Name; }
    // absoluteTicks of the last event; 0 for a track without events.
    int32_t GetLastTime() const;

    void Rewind();
    // Plays (through OnEvent) every event from Position on whose absoluteTicks is below now;
    // stops early once `keepPlaying` (when given) turns false.
    void PlayUntil(int32_t now, const std::atomic<bool>* keepPlaying = nullptr);
    void CheckReady();

private:
    // A deque keeps every event at its address while more are appended (events are lent by
    // pointer) and allocates them in blocks rather than one by one. Mutable because a const
    // track still lends its events as PMidiEvent, the type every hook takes.
    mutable std::deque<TMidiEvent> Events;
};

class TMidiFile {
public:
    // Recordings are stamped at this resolution: 120 bpm makes one quarter note 500 ms.
    static constexpr int32_t RecordTicksPerQuarter = 30797;

    // `clock` times playback and recording and must outlive the component.
    explicit TMidiFile(TTickClock& clock = SystemTickClock());
    ~TMidiFile();
    TMidiFile(const TMidiFile&) = delete;
    TMidiFile& operator=(const TMidiFile&) = delete;

    // Called for every event played, on the timer thread; the event is lent for the call.
    TOnMidiEvent OnMidiEvent;
    // Called after every playback tick, on the timer thread, with this file as sender.
    TNotifyEvent OnUpdateEvent;
    // Melody channels held back in play-along mode; rebuilt by ReadResource.
    TChannelSet MutedChannels;

    const std::string& Filename() const { return FFilename; }
    void SetFilename(std::string filename) { FFilename = std::move(filename); }
    int32_t NumberOfTracks() const { return FNumberOfTracks.load(std::memory_order_acquire); }
    int32_t TicksPerQuarter() const { return FTicksPerQuarter; }
    void SetTicksPerQuarter(int32_t value) { FTicksPerQuarter = value; }
    double UsPerTick() const { return FUsPerTick.load(std::memory_order_relaxed); }
    void SetUsPerTick(double value) { FUsPerTick.store(value, std::memory_order_relaxed); }
    TFileFormat FileFormat() const { return FFileFormat; }
    int32_t Bpm() const { return FBpm.load(std::memory_order_relaxed); }
    // Normalises through a whole number of microseconds per quarter; a value equal to Bpm
    // changes nothing. Raises for 0 and when TicksPerQuarter is 0.
    void SetBpm(int32_t value);

    // Reading. Each replaces the whole song; on failure whatever was parsed stays and an
    // EMidiFileError says why. A file whose events would take more memory than
    // MemoryPerFileByte times its size plus MemoryAllowance is refused as a whole: its tracks
    // are released and NumberOfTracks is 0. No real song comes near that density.
    static constexpr uint64_t MemoryPerFileByte = 16;
    static constexpr uint64_t MemoryAllowance = 50u << 20;
    int32_t ReadFile();
    // Reads from the stream's beginning; bytes the stream does not deliver are not invented:
    // a chunk that runs past the end of the stream ends with the stream.
    void ReadResource(std::istream& stream);
    void ReadResource(const void* data, size_t size);
    void Clear();
    // Tracks in the list; after a failed read NumberOfTracks may still hold the header's count.
    int32_t TrackCount() const { return int32_t(FTracks.size()); }
    // Raises std::out_of_range for an index outside the list.
    TMidiTrack* GetTrack(int32_t index) const;
    // Bytes the reader holds between reads: 0, its chunk buffer is released after every read.
    size_t ReaderBufferBytes() const { return FChunkData.capacity(); }

    // Playing.
    void StartPlaying();
    void StopPlaying() { FPlaying.store(false, std::memory_order_release); }
    bool Playing() const { return FPlaying.load(std::memory_order_acquire); }
    void TimerTick(void* sender);
    void PlayToTime(int32_t elapsed);
    void HandleTrackEvent(PMidiEvent event);
    bool Ready() const;
    int32_t GetCurrentTime() const { return FLastElapsed.load(std::memory_order_acquire); }
    // Milliseconds at the tempo in force; a track without events counts as length 0.
    int32_t GetSongLength() const;

    // Recording. A recording stops by itself once it has run RecordLimitMs (about 9 hours 41
    // minutes): beyond that its times in ticks, at the recorder's fixed 120 bpm, no longer fit
    // the events' 32-bit fields.
    static constexpr uint32_t RecordLimitMs = uint32_t(int64_t(INT32_MAX) * 500 / RecordTicksPerQuarter);
    void StartRecording();
    void RecordEvent(PMidiEvent event);
    void StopRecording();
    bool Recording() const { return FRecording.load(std::memory_order_acquire); }
    int32_t GetRecordingTime() const;
    // True once the recording was stopped at RecordLimitMs: by a message that came later (and
    // was not recorded) or by this call, which stops a recording that has run that long. False
    // again after the next StartRecording. Any thread; it only takes the recorder's lock, which
    // is held for one message at most. The window's one-second recording clock asks it.
    bool RecordingStoppedAtLimit();
    int32_t AddTrack();

    // Writing a format 1 file. No delta time is longer than the standard's four bytes: a
    // longer silence is bridged by empty text meta events (FF 01 00) MaxDelta ticks apart.
    static constexpr uint32_t MaxDelta = 0x0FFFFFFF;
    // The file is written beside the target and renamed over it only when complete, so a
    // failure leaves any earlier file intact. Raises EMidiFileError.
    void WriteFile(const std::string& fileName) const;
    // The same bytes to a stream; raises EMidiFileError when the stream fails.
    void WriteStream(std::ostream& out) const;

    // Where a read takes its bytes from (a file, a stream, a buffer); defined with the reader.
    class TByteSource;

private:
    enum class TChunkKind { none, header, track };

    void ReadAll(TByteSource& source);
    void ReadChunk(TByteSource& source);
    void ReadChunkHeader(TByteSource& source);
    void ReadChunkData(TByteSource& source);
    void ParseHeader();
    void ParseTrack();
    uint32_t ReadVarLen();
    std::string ReadText(uint32_t length);
    uint8_t NextByte();
    // Counts the event against the read's memory allowance; refuses the file once it is spent.
    void ChargeEvent(const TMidiEvent& event);
    static uint32_t UsPerQuarterOf(const std::string& text);
    // Raises for a tempo of 0 and when TicksPerQuarter is 0.
    void ApplyTempo(uint32_t usPerQuarter);
    void ClearTracks();
    void RebuildMutedChannels();
    std::unique_ptr<TMidiTrack> NewTrack();
    int32_t AddTrackLocked();
    void ClearLocked();
    int32_t RecordClockIndex(const TMidiEvent& event) const;
    void StopRecordingLocked();
    // Stops the recording when it has run longer than RecordLimitMs at `now`; true if it did.
    bool StopRecordingAtLimitLocked(uint32_t now);

    TTickClock& FClock;
    std::string FFilename;
    std::atomic<int32_t> FNumberOfTracks{0};
    int32_t FTicksPerQuarter = 120;
    std::atomic<double> FUsPerTick{0.0};
    TFileFormat FFileFormat = TFileFormat::single;
    std::atomic<int32_t> FBpm{0};

    std::vector<std::unique_ptr<TMidiTrack>> FTracks;
    TMidiTrack* FCurrentTrack = nullptr;

    // Chunk reader state: the chunk just read and the parse cursor into its bytes.
    TChunkKind FChunkKind = TChunkKind::none;
    uint32_t FChunkLength = 0;
    std::vector<uint8_t> FChunkData;
    size_t FCursor = 0;
    // Bytes of the current read so far, and the memory its events take by estimate.
    uint64_t FReadBytes = 0;
    uint64_t FReadMemory = 0;
    bool FSourceEnded = false; // the last chunk header found no bytes at all

    // Playback state; Playing is set last by StartPlaying and gates the timer thread.
    std::atomic<bool> FPlaying{false};
    uint32_t FPlayStartTick = 0;
    std::atomic<int32_t> FLastElapsed{0};
    double FPlayPosition = 0.0;

    // Recorder state, guarded by FRecordLock; Recording is set last by StartRecording.
    // Clock slot 16 times meta events, which belong to no channel and go to track 0.
    mutable std::mutex FRecordLock;
    std::atomic<bool> FRecording{false};
    std::array<uint32_t, 17> FRecordStartTick{};
    std::array<int32_t, 17> FRecordLastTick{};
    bool FRecordStoppedAtLimit = false;
};
