// Building Standard MIDI File bytes by hand for the song component's tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <unistd.h>

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int value : values)
        out.push_back(char(uint8_t(value)));
    return out;
}

// The standard variable-length quantity of a delta time or length.
inline std::string VarLen(uint32_t value)
{
    std::string out(1, char(value & 0x7F));
    while (value >>= 7)
        out.insert(out.begin(), char(0x80 | (value & 0x7F)));
    return out;
}

inline std::string BigEndian32(uint32_t value)
{
    return Bytes({int(value >> 24), int(value >> 16 & 0xFF), int(value >> 8 & 0xFF), int(value & 0xFF)});
}

inline std::string Chunk(const std::string& id, const std::string& data)
{
    return id + BigEndian32(uint32_t(data.size())) + data;
}

inline std::string HeaderChunk(int format, int tracks, int division)
{
    return Chunk("MThd", Bytes({format >> 8, format & 0xFF, tracks >> 8, tracks & 0xFF, division >> 8, division & 0xFF}));
}

inline std::string TrackChunk(const std::string& events) { return Chunk("MTrk", events); }

// A private folder removed again at the end of the test.
class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tinkla-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TTempDir() { std::filesystem::remove_all(FPath); }
    std::string File(const std::string& name) const { return (FPath / name).string(); }
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
