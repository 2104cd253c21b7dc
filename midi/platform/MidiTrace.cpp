#include "midi/platform/MidiTrace.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {
// Set during static initialisation, so "since start-up" means since the program was loaded.
const auto StartTime = std::chrono::steady_clock::now();
}

TMidiTrace::TMidiTrace(const std::string& path) : FFile(std::fopen(path.c_str(), "a"))
{
    if (!FFile)
        throw std::runtime_error("Cannot open MIDI trace file " + path + ": " + std::strerror(errno));
}

void TMidiTrace::WriteShort(uint32_t word)
{
    const uint8_t bytes[3] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16)};
    WriteLine(bytes, 3);
}

void TMidiTrace::WriteLong(const uint8_t* data, size_t length) { WriteLine(data, length); }

void TMidiTrace::WriteLine(const uint8_t* data, size_t length)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - StartTime).count();
    std::string line = std::to_string(elapsed);
    line.reserve(line.size() + length * 3 + 1);
    for (size_t i = 0; i < length; ++i) {
        line += ' ';
        line += Hex[data[i] >> 4];
        line += Hex[data[i] & 0xF];
    }
    line += '\n';
    std::lock_guard guard(FLock);
    // Flushed per line so that a black-box test sees each message while the program runs.
    if (std::fputs(line.c_str(), FFile.get()) < 0 || std::fflush(FFile.get()) != 0)
        throw std::runtime_error(std::string("Cannot write the MIDI trace: ") + std::strerror(errno));
}

TMidiTrace* TMidiTrace::FromEnvironment()
{
    static const std::unique_ptr<TMidiTrace> trace = [] {
        const char* path = std::getenv("TINKLA_MIDI_TRACE");
        return path && *path ? std::make_unique<TMidiTrace>(path) : nullptr;
    }();
    return trace.get();
}
