// Appends one line per sent MIDI message to a file: milliseconds since start-up, then the
// bytes in hexadecimal ("1532 90 30 7F"). For diagnosing sound set-ups and black-box tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

class TMidiTrace {
public:
    // Opens `path` for appending; throws std::runtime_error when it cannot.
    explicit TMidiTrace(const std::string& path);

    // Any thread, two at once included. A short message as the three bytes of its word.
    void WriteShort(uint32_t word);
    void WriteLong(const uint8_t* data, size_t length);

    // The process's trace named by TINKLA_MIDI_TRACE, or null when it is unset (the default).
    // Opened on the first call; any thread.
    static TMidiTrace* FromEnvironment();

private:
    void WriteLine(const uint8_t* data, size_t length);

    struct TFileCloser { void operator()(std::FILE* file) const { std::fclose(file); } };
    std::mutex FLock;
    std::unique_ptr<std::FILE, TFileCloser> FFile;
};
