// A recording written here is read by other programs (Debian's python3-mido and midicsv)
// without error and gives the same events.
#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <sys/wait.h>

namespace {

struct TPipeCloser {
    void operator()(std::FILE* pipe) const { ::pclose(pipe); }
};

// Runs a shell command; returns its exit status and standard output.
std::pair<int, std::string> RunCommand(const std::string& command)
{
    std::unique_ptr<std::FILE, TPipeCloser> pipe(::popen(command.c_str(), "r"));
    if (!pipe)
        return {-1, {}};
    std::string out;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, got);
    const int status = ::pclose(pipe.release());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class MidiFileInterop : public ::testing::Test {
protected:
    TManualTickClock Clock{100};
    TMidiFile Rec{Clock};
    TTempDir Dir;
    std::string Path;

    void Send(uint32_t at, uint8_t status, uint8_t data1, uint8_t data2 = 0, std::string text = {})
    {
        Clock.Set(100 + at);
        TMidiEvent event{status, data1, data2, std::move(text), 0, 0};
        Rec.RecordEvent(&event);
    }
    void SetUp() override
    {
        Rec.StartRecording();
        Send(0, 0xC0, 5);
        for (uint32_t i = 0; i < 30; ++i) {
            Send(100 + i * 250, 0x90, uint8_t(60 + i % 12), 127);
            Send(300 + i * 250, 0x80, uint8_t(60 + i % 12), 127);
        }
        Send(450, 0x93, 48, 100);
        Send(450, 0xB3, 7, 90);
        Send(460, 0xE3, 0x10, 0x45);
        Send(470, 0xD3, 33);
        Send(480, 0xA3, 48, 20);
        Send(8000, 0xF0, 0, 0, Bytes({0x7E, 0x7F, 0x09, 0x01, 0xF7}));
        Send(70000, 0x83, 48, 0); // a long gap: multi-byte delta times
        Send(70001, 0xB3, ControllerAllSoundOff, 0);
        Rec.StopRecording();
        Path = Dir.File("recording.mid");
        Rec.WriteFile(Path);
    }
};

std::string Hex(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x", value);
    return text;
}

} // namespace

TEST_F(MidiFileInterop, PythonMidoReadsTheSameEvents)
{
    if (RunCommand("/usr/bin/python3 -c 'import mido' 2>/dev/null").first != 0)
        GTEST_SKIP() << "python3-mido is not installed (Debian package python3-mido)";
    const char* script =
        "import sys, mido\n"
        "f = mido.MidiFile(sys.argv[1])\n"
        "print(f.type, f.ticks_per_beat, len(f.tracks))\n"
        "for n, track in enumerate(f.tracks):\n"
        "    t = 0\n"
        "    for m in track:\n"
        "        t += m.time\n"
        "        if m.type == 'end_of_track': print(n, t, 'end')\n"
        "        elif m.type == 'sysex': print(n, t, 'sysex', bytes(m.data).hex())\n"
        "        else: print(n, t, bytes(m.bytes()).hex())\n";
    WriteBytes(Dir.File("read.py"), script);
    const auto [status, out] = RunCommand("/usr/bin/python3 " + Dir.File("read.py") + " " + Path + " 2>&1");
    ASSERT_EQ(status, 0) << out;

    std::ostringstream expected;
    expected << "1 30797 " << Rec.NumberOfTracks() << "\n";
    for (int32_t t = 0; t < Rec.NumberOfTracks(); ++t) {
        const TMidiTrack& track = *Rec.GetTrack(t);
        for (int32_t i = 0; i < track.EventCount(); ++i) {
            const TMidiEvent& e = *track.GetEvent(i);
            expected << t << " " << e.absoluteTicks << " ";
            if (e.status == MidiMeta) {
                expected << "end\n";
            } else if (e.status == MidiSysEx) {
                expected << "sysex ";
                for (size_t b = 0; b + 1 < e.text.size(); ++b) // mido drops the closing F7
                    expected << Hex(uint8_t(e.text[b]));
                expected << "\n";
            } else {
                const uint8_t kind = StatusKind(e.status);
                expected << Hex(e.status) << Hex(e.data1);
                if (kind != MidiProgramChange && kind != MidiChannelPressure)
                    expected << Hex(e.data2);
                expected << "\n";
            }
        }
    }
    EXPECT_EQ(out, expected.str());
}

TEST_F(MidiFileInterop, MidicsvReadsTheSameEvents)
{
    if (RunCommand("command -v midicsv >/dev/null").first != 0)
        GTEST_SKIP() << "midicsv is not installed (Debian package midicsv)";
    const auto [status, out] = RunCommand("midicsv " + Path + " 2>&1");
    ASSERT_EQ(status, 0) << out;

    std::ostringstream expected;
    expected << "0, 0, Header, 1, " << Rec.NumberOfTracks() << ", 30797\n";
    for (int32_t t = 0; t < Rec.NumberOfTracks(); ++t) {
        const TMidiTrack& track = *Rec.GetTrack(t);
        expected << t + 1 << ", 0, Start_track\n";
        for (int32_t i = 0; i < track.EventCount(); ++i) {
            const TMidiEvent& e = *track.GetEvent(i);
            expected << t + 1 << ", " << e.absoluteTicks << ", ";
            const int channel = StatusChannel(e.status);
            switch (e.status == MidiMeta || e.status == MidiSysEx ? e.status : StatusKind(e.status)) {
            case MidiMeta: expected << "End_track"; break;
            case MidiSysEx:
                expected << "System_exclusive, " << e.text.size();
                for (unsigned char b : e.text)
                    expected << ", " << int(b);
                break;
            case MidiNoteOn: expected << "Note_on_c, " << channel << ", " << int(e.data1) << ", " << int(e.data2); break;
            case MidiNoteOff: expected << "Note_off_c, " << channel << ", " << int(e.data1) << ", " << int(e.data2); break;
            case MidiPolyPressure:
                expected << "Poly_aftertouch_c, " << channel << ", " << int(e.data1) << ", " << int(e.data2);
                break;
            case MidiControlChange: expected << "Control_c, " << channel << ", " << int(e.data1) << ", " << int(e.data2); break;
            case MidiProgramChange: expected << "Program_c, " << channel << ", " << int(e.data1); break;
            case MidiChannelPressure: expected << "Channel_aftertouch_c, " << channel << ", " << int(e.data1); break;
            case MidiPitchBend: expected << "Pitch_bend_c, " << channel << ", " << (e.data2 << 7 | e.data1); break;
            default: FAIL() << "unexpected status " << int(e.status);
            }
            expected << "\n";
        }
    }
    expected << "0, 0, End_of_file\n";
    EXPECT_EQ(out, expected.str());
}
