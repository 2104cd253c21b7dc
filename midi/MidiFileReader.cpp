// Reading a Standard MIDI File: chunk by chunk from a file, a stream or a byte buffer, each
// chunk parsed in one forward pass with a running-status decoder that never looks outside
// the chunk's bytes (reads past its end give 0).
#include "midi/MidiFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

class TMidiFile::TByteSource {
public:
    virtual ~TByteSource() = default;
    // Reads up to `size` bytes; returns how many arrived (fewer only at the end of the data).
    virtual size_t Read(uint8_t* into, size_t size) = 0;
    // True when a short read is an end-of-file error; otherwise the data simply ends there.
    virtual bool ShortReadIsError() const = 0;
};

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class TFileSource final : public TMidiFile::TByteSource {
public:
    explicit TFileSource(const std::string& path) : FFile(std::fopen(path.c_str(), "rb"))
    {
        if (!FFile)
            throw EMidiFileError("cannot open \"" + path + "\": " + std::strerror(errno));
    }
    size_t Read(uint8_t* into, size_t size) override
    {
        const size_t got = std::fread(into, 1, size, FFile.get());
        if (got < size && std::ferror(FFile.get()))
            throw EMidiFileError(std::string("read error: ") + std::strerror(errno));
        return got;
    }
    bool ShortReadIsError() const override { return true; }

private:
    std::unique_ptr<std::FILE, TFileCloser> FFile;
};

class TStreamSource final : public TMidiFile::TByteSource {
public:
    explicit TStreamSource(std::istream& stream) : FStream(stream) {}
    size_t Read(uint8_t* into, size_t size) override
    {
        FStream.read(reinterpret_cast<char*>(into), std::streamsize(size));
        return size_t(FStream.gcount());
    }
    bool ShortReadIsError() const override { return false; }

private:
    std::istream& FStream;
};

class TBufferSource final : public TMidiFile::TByteSource {
public:
    TBufferSource(const void* data, size_t size) : FData(static_cast<const uint8_t*>(data)), FLeft(size) {}
    size_t Read(uint8_t* into, size_t size) override
    {
        const size_t got = std::min(size, FLeft);
        if (got > 0)
            std::memcpy(into, FData, got);
        FData += got;
        FLeft -= got;
        return got;
    }
    bool ShortReadIsError() const override { return false; }

private:
    const uint8_t* FData;
    size_t FLeft;
};

} // namespace

int32_t TMidiFile::ReadFile()
{
    ClearTracks();
    TFileSource source(FFilename);
    ReadAll(source);
    return NumberOfTracks();
}

void TMidiFile::ReadResource(std::istream& stream)
{
    ClearTracks();
    stream.clear();
    stream.seekg(0);
    if (stream.fail())
        throw EMidiFileError("the song stream cannot be positioned at its start");
    TStreamSource source(stream);
    ReadAll(source);
    RebuildMutedChannels();
}

void TMidiFile::ReadResource(const void* data, size_t size)
{
    ClearTracks();
    TBufferSource source(data, size);
    ReadAll(source);
    RebuildMutedChannels();
}

void TMidiFile::ReadAll(TByteSource& source)
{
    // The chunk buffer lives for one read only, whether it ends well or not.
    struct TReleaseBuffer {
        std::vector<uint8_t>& Buffer;
        ~TReleaseBuffer() { std::vector<uint8_t>().swap(Buffer); }
    } release{FChunkData};
    FReadBytes = 0;
    FReadMemory = 0;
    FSourceEnded = false;
    ReadChunk(source);
    // Every chunk after the first counts against the header's track count, whatever its id.
    // Once a memory source has nothing left, every further chunk would be empty and of no kind.
    const int32_t chunks = NumberOfTracks();
    for (int32_t i = 0; i < chunks && !FSourceEnded; ++i)
        ReadChunk(source);
    FNumberOfTracks.store(int32_t(FTracks.size()), std::memory_order_release);
}

void TMidiFile::RebuildMutedChannels()
{
    MutedChannels.Clear();
    for (const auto& track : FTracks)
        if (!track->Name.empty() && track->Name[0] == '@')
            MutedChannels.Add(track->Channel);
}

void TMidiFile::ReadChunk(TByteSource& source)
{
    ReadChunkHeader(source);
    ReadChunkData(source);
    if (FChunkKind == TChunkKind::header)
        ParseHeader();
    else if (FChunkKind == TChunkKind::track)
        ParseTrack();
}

void TMidiFile::ReadChunkHeader(TByteSource& source)
{
    uint8_t header[8] = {};
    const size_t got = source.Read(header, sizeof header);
    FSourceEnded = got == 0;
    if (got < sizeof header && source.ShortReadIsError())
        throw EMidiFileError("unexpected end of file in a chunk header after " +
                             std::to_string(FTracks.size()) + " tracks");
    if (std::memcmp(header, "MThd", 4) == 0)
        FChunkKind = TChunkKind::header;
    else if (std::memcmp(header, "MTrk", 4) == 0)
        FChunkKind = TChunkKind::track;
    else
        FChunkKind = TChunkKind::none;
    FReadBytes += sizeof header;
    FChunkLength = uint32_t(header[4]) << 24 | uint32_t(header[5]) << 16 | uint32_t(header[6]) << 8 | header[7];
}

void TMidiFile::ReadChunkData(TByteSource& source)
{
    // The buffer grows with the bytes that actually arrive, so a length field far beyond the
    // data never allocates more than about twice what is there.
    constexpr size_t FirstStep = 4 * 1024;
    FChunkData.clear();
    FCursor = 0;
    while (FChunkData.size() < FChunkLength) {
        const size_t have = FChunkData.size();
        const size_t step = std::min<size_t>(FChunkLength - have, std::max(have, FirstStep));
        FChunkData.resize(have + step);
        const size_t got = source.Read(FChunkData.data() + have, step);
        FChunkData.resize(have + got);
        if (got < step)
            break;
    }
    FReadBytes += FChunkData.size();
    if (FChunkData.size() < FChunkLength && source.ShortReadIsError())
        throw EMidiFileError("unexpected end of file: a chunk announces " + std::to_string(FChunkLength) +
                             " bytes but only " + std::to_string(FChunkData.size()) + " follow");
}

void TMidiFile::ChargeEvent(const TMidiEvent& event)
{
    // An event's record in its track, with the track's bookkeeping, and a text longer than the
    // string keeps inline on the heap with the allocator's overhead.
    constexpr uint64_t RecordBytes = sizeof(TMidiEvent) + 8;
    constexpr size_t InlineText = 15;
    FReadMemory += RecordBytes + (event.text.size() > InlineText ? event.text.size() + 32 : 0);
    if (FReadMemory <= MemoryPerFileByte * FReadBytes + MemoryAllowance)
        return;
    uint64_t events = 0;
    for (const auto& track : FTracks)
        events += uint64_t(track->EventCount());
    const uint64_t bytes = FReadBytes;
    ClearTracks();
    FNumberOfTracks.store(0, std::memory_order_release);
    throw EMidiFileError("refused: the file packs more than " + std::to_string(events) + " events into " +
                         std::to_string(bytes) + " bytes, far more than a song holds");
}

uint8_t TMidiFile::NextByte()
{
    if (FCursor < FChunkData.size())
        return FChunkData[FCursor++];
    return 0;
}

uint32_t TMidiFile::ReadVarLen()
{
    uint32_t value = 0;
    uint8_t byte;
    do {
        byte = NextByte();
        // Bits shifted out at the top are lost, as a 32-bit quantity would lose them.
        value = value << 7 | (byte & 0x7Fu);
    } while (byte >= 0x80);
    return value;
}

std::string TMidiFile::ReadText(uint32_t length)
{
    const size_t take = std::min<size_t>(length, FChunkData.size() - FCursor);
    std::string text(reinterpret_cast<const char*>(FChunkData.data() + FCursor), take);
    FCursor += take;
    return text;
}

void TMidiFile::ParseHeader()
{
    auto byteAt = [this](size_t index) -> uint32_t {
        return index < FChunkData.size() ? FChunkData[index] : 0;
    };
    switch (byteAt(1)) {
    case 0: FFileFormat = TFileFormat::single; break;
    case 1: FFileFormat = TFileFormat::multi_synch; break;
    case 2: FFileFormat = TFileFormat::multi_asynch; break;
    default: break; // formats the reader does not know leave the old value
    }
    FNumberOfTracks.store(int32_t(byteAt(2) << 8 | byteAt(3)), std::memory_order_release);
    FTicksPerQuarter = int32_t(byteAt(4) << 8 | byteAt(5));
}

void TMidiFile::ParseTrack()
{
    FTracks.push_back(NewTrack());
    FCurrentTrack = FTracks.back().get();
    uint8_t runningStatus = 0;
    const size_t size = FChunkData.size();
    // An event is only started while at least two bytes of the chunk remain.
    while (FCursor + 1 < size) {
        TMidiEvent event;
        event.deltaTicks = int32_t(ReadVarLen());
        if (FCursor < size && FChunkData[FCursor] >= 0x80)
            runningStatus = FChunkData[FCursor++];
        event.status = runningStatus;
        if (runningStatus == MidiMeta || runningStatus == MidiSysEx) {
            if (runningStatus == MidiMeta)
                event.data1 = NextByte();
            const uint32_t length = ReadVarLen();
            event.text = ReadText(length);
            ChargeEvent(event);
            FCurrentTrack->PutEvent(std::move(event));
            const TMidiEvent& put = *FCurrentTrack->GetEvent(FCurrentTrack->EventCount() - 1);
            if (put.status == MidiMeta && put.data1 == MetaSetTempo)
                ApplyTempo(UsPerQuarterOf(put.text));
            continue;
        }
        if (runningStatus >= 0x80 && runningStatus <= 0xEF) {
            event.data1 = NextByte();
            const uint8_t kind = StatusKind(runningStatus);
            if (kind != MidiProgramChange && kind != MidiChannelPressure)
                event.data2 = NextByte();
        }
        ChargeEvent(event);
        FCurrentTrack->PutEvent(std::move(event));
    }
}
