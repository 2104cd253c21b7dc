// Writing the tracks as a format 1 Standard MIDI File, to a stream or to a file. A file is
// written whole to a temporary file beside the target, which is renamed over the target only
// once it is complete.
#include "midi/MidiFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string SystemError(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + std::strerror(errno);
}

// An open temporary file that is removed again unless it was committed.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target) : FTarget(target)
    {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && !FFile; ++attempt) {
            FPath = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            const int fd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST)
                    continue;
                throw EMidiFileError(SystemError("cannot create", target));
            }
            FFile.reset(::fdopen(fd, "wb"));
            if (!FFile) {
                ::close(fd);
                ::unlink(FPath.c_str());
                throw EMidiFileError(SystemError("cannot write", target));
            }
        }
        if (!FFile)
            throw EMidiFileError("cannot create a temporary file beside \"" + target + "\"");
    }
    ~TTemporaryFile()
    {
        if (!FCommitted) {
            FFile.reset();
            ::unlink(FPath.c_str());
        }
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    void Write(std::string_view bytes)
    {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), FFile.get()) != bytes.size())
            Fail();
    }

    void Commit()
    {
        std::FILE* file = FFile.release();
        const bool flushed = std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
        const int flushErrno = errno;
        const bool closed = std::fclose(file) == 0;
        if (!flushed) {
            errno = flushErrno;
            Fail();
        }
        if (!closed)
            Fail();
        if (std::rename(FPath.c_str(), FTarget.c_str()) != 0)
            throw EMidiFileError(SystemError("cannot replace", FTarget));
        FCommitted = true;
    }

private:
    void Fail() const { throw EMidiFileError(SystemError("cannot write", FTarget)); }

    std::string FTarget;
    std::string FPath;
    std::unique_ptr<std::FILE, TFileCloser> FFile;
    bool FCommitted = false;
};

// One track chunk's data, appended to a byte string.
class TTrackEncoder {
public:
    explicit TTrackEncoder(std::string& out) : FOut(out) {}

    void Encode(const TMidiTrack& track);

private:
    void WriteByte(uint8_t byte) { FOut.push_back(char(byte)); }
    // The standard variable-length quantity: 7-bit groups, most significant first, bit 7
    // set in every byte but the last.
    void WriteVarLen(uint32_t value)
    {
        int shift = 28;
        while (shift > 0 && (value >> shift) == 0)
            shift -= 7;
        for (; shift > 0; shift -= 7)
            WriteByte(uint8_t(0x80 | ((value >> shift) & 0x7F)));
        WriteByte(uint8_t(value & 0x7F));
    }
    // A delta time longer than the four bytes the standard allows is split: the silence is
    // bridged by empty text meta events, which every reader must accept and every player skips.
    void WriteDelta(uint32_t delta)
    {
        while (delta > TMidiFile::MaxDelta) {
            WriteVarLen(TMidiFile::MaxDelta);
            FOut.append("\xFF\x01\x00", 3);
            FRunningStatus = MidiMeta;
            delta -= TMidiFile::MaxDelta;
        }
        WriteVarLen(delta);
    }

    std::string& FOut;
    int FRunningStatus = -1;
};

void TTrackEncoder::Encode(const TMidiTrack& track)
{
    FRunningStatus = -1;
    // Events a track chunk cannot encode are left out; their time passes to the next event.
    uint32_t skippedDelta = 0;
    for (int32_t i = 0; i < track.EventCount(); ++i) {
        const TMidiEvent& event = *track.GetEvent(i);
        const uint8_t status = event.status;
        if (status < 0x80 || (status > MidiSysEx && status < MidiMeta)) {
            skippedDelta += uint32_t(event.deltaTicks);
            continue;
        }
        WriteDelta(skippedDelta + uint32_t(event.deltaTicks));
        skippedDelta = 0;
        if (status == MidiSysEx || status == MidiMeta) {
            WriteByte(status);
            if (status == MidiMeta)
                WriteByte(event.data1);
            WriteVarLen(uint32_t(event.text.size()));
            FOut.append(event.text);
        } else {
            if (status != FRunningStatus)
                WriteByte(status);
            // Data bytes keep to 7 bits so that none can be taken for a status byte.
            WriteByte(event.data1 & 0x7F);
            const uint8_t kind = StatusKind(status);
            if (kind != MidiProgramChange && kind != MidiChannelPressure)
                WriteByte(event.data2 & 0x7F);
        }
        FRunningStatus = status;
    }
}

std::string BigEndian(uint32_t value, int bytes)
{
    std::string out;
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(char(uint8_t(value >> shift)));
    return out;
}

} // namespace

void TMidiFile::WriteStream(std::ostream& out) const
{
    std::lock_guard lock(FRecordLock);
    const size_t count = std::min(FTracks.size(), size_t(std::max(NumberOfTracks(), 0)));
    if (count > 0xFFFF)
        throw EMidiFileError("cannot write " + std::to_string(count) + " tracks: a file holds at most 65535");
    out << std::string("MThd\0\0\0\x06\0\x01", 10) << BigEndian(uint32_t(count), 2)
        << BigEndian(uint32_t(FTicksPerQuarter), 2);
    std::string chunk;
    for (size_t i = 0; i < count; ++i) {
        chunk.clear();
        TTrackEncoder(chunk).Encode(*FTracks[i]);
        if (chunk.size() > 0xFFFFFFFFu)
            throw EMidiFileError("cannot write track " + std::to_string(i) + ": longer than a chunk can say");
        out << "MTrk" << BigEndian(uint32_t(chunk.size()), 4) << chunk;
    }
    if (!out)
        throw EMidiFileError("cannot write the song: the output stream failed");
}

void TMidiFile::WriteFile(const std::string& fileName) const
{
    std::ostringstream bytes;
    WriteStream(bytes);
    TTemporaryFile file(fileName);
    file.Write(bytes.view());
    file.Commit();
}
