// Writing the tracks as a format 1 Standard MIDI File. The bytes go to a temporary file beside
// the target, which is renamed over the target only once it is complete.
#include "midi/MidiFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

    std::FILE* File() const { return FFile.get(); }
    void Fail() const { throw EMidiFileError(SystemError("cannot write", FTarget)); }

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
    std::string FTarget;
    std::string FPath;
    std::unique_ptr<std::FILE, TFileCloser> FFile;
    bool FCommitted = false;
};

class TMidiWriter {
public:
    explicit TMidiWriter(TTemporaryFile& file) : FFile(file) {}

    void WriteByte(uint8_t byte)
    {
        if (std::fputc(byte, FFile.File()) == EOF)
            FFile.Fail();
    }
    void WriteText(const std::string& text)
    {
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), FFile.File()) != text.size())
            FFile.Fail();
    }
    void WriteBigEndian(uint32_t value, int bytes)
    {
        for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
            WriteByte(uint8_t(value >> shift));
    }
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
    long Tell()
    {
        const long position = std::ftell(FFile.File());
        if (position < 0)
            FFile.Fail();
        return position;
    }
    void Seek(long position)
    {
        if (std::fseek(FFile.File(), position, SEEK_SET) != 0)
            FFile.Fail();
    }

    void WriteTrack(const TMidiTrack& track);

private:
    TTemporaryFile& FFile;
};

void TMidiWriter::WriteTrack(const TMidiTrack& track)
{
    WriteText("MTrk");
    WriteBigEndian(0, 4);
    const long chunkStart = Tell();
    int runningStatus = -1;
    // Events a track chunk cannot encode are left out; their time passes to the next event.
    uint32_t skippedDelta = 0;
    for (int32_t i = 0; i < track.EventCount(); ++i) {
        const TMidiEvent& event = *track.GetEvent(i);
        const uint8_t status = event.status;
        if (status < 0x80 || (status > MidiSysEx && status < MidiMeta)) {
            skippedDelta += uint32_t(event.deltaTicks);
            continue;
        }
        WriteVarLen(skippedDelta + uint32_t(event.deltaTicks));
        skippedDelta = 0;
        if (status == MidiSysEx || status == MidiMeta) {
            WriteByte(status);
            if (status == MidiMeta)
                WriteByte(event.data1);
            WriteVarLen(uint32_t(event.text.size()));
            WriteText(event.text);
        } else {
            if (status != runningStatus)
                WriteByte(status);
            // Data bytes keep to 7 bits so that none can be taken for a status byte.
            WriteByte(event.data1 & 0x7F);
            const uint8_t kind = StatusKind(status);
            if (kind != MidiProgramChange && kind != MidiChannelPressure)
                WriteByte(event.data2 & 0x7F);
        }
        runningStatus = status;
    }
    const long chunkEnd = Tell();
    Seek(chunkStart - 4);
    WriteBigEndian(uint32_t(chunkEnd - chunkStart), 4);
    Seek(chunkEnd);
}

} // namespace

void TMidiFile::WriteFile(const std::string& fileName) const
{
    std::lock_guard lock(FRecordLock);
    const size_t count = std::min(FTracks.size(), size_t(std::max(NumberOfTracks(), 0)));
    if (count > 0xFFFF)
        throw EMidiFileError("cannot write " + std::to_string(count) + " tracks: a file holds at most 65535");
    TTemporaryFile file(fileName);
    TMidiWriter writer(file);
    writer.WriteText(std::string("MThd\0\0\0\x06\0\x01", 10));
    writer.WriteBigEndian(uint32_t(count), 2);
    writer.WriteBigEndian(uint32_t(FTicksPerQuarter), 2);
    for (size_t i = 0; i < count; ++i)
        writer.WriteTrack(*FTracks[i]);
    file.Commit();
}
