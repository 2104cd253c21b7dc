#include "midi/MidiOut.h"
#include "midi/platform/MidiTrace.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

template <typename F>
std::string RaisedText(F&& action)
{
    try {
        action();
    } catch (const EmidioutputError& error) {
        return error.what();
    }
    return "<nothing raised>";
}

std::string Text(uint16_t code)
{
    std::string text;
    EXPECT_TRUE(StandardMidiOutErrorText(code, text));
    return text;
}

class MidiOutTest : public ::testing::Test {
protected:
    TFakeMidiOutDriver Driver{{"Synth A", "Port B", "Port C"}};
    TQueueNotifyPoster Poster;
    TMidiOutput Output{Driver, Poster};

    void SetUp() override { Output.SetTrace(nullptr); }
};

TEST_F(MidiOutTest, StartsClosedOnDeviceZeroWithNoName)
{
    EXPECT_FALSE(Output.IsOpen());
    EXPECT_EQ(Output.DeviceID(), 0);
    EXPECT_EQ(Output.ProductName(), "");
    EXPECT_EQ(Output.DeviceCount(), 3);
    EXPECT_EQ(Output.LastError(), 0);
}

TEST_F(MidiOutTest, DeviceIdReadsCapabilities)
{
    TMidiOutCaps caps;
    caps.ProductName = "Port B";
    caps.DriverVersion = 0x0502;
    caps.Technology = MidiOutTechSoftwareSynth;
    caps.Voices = 256;
    caps.Notes = 128;
    caps.ChannelMask = 0x00FF;
    caps.Support = MidiOutSupportVolume;
    Driver.SetDeviceCaps(1, caps);
    Output.SetDeviceID(1);
    EXPECT_EQ(Output.DeviceID(), 1);
    EXPECT_EQ(Output.ProductName(), "Port B");
    EXPECT_EQ(Output.DriverVersion(), 0x0502u);
    EXPECT_EQ(Output.Technology(), MidiOutTechSoftwareSynth);
    EXPECT_EQ(Output.Voices(), 256);
    EXPECT_EQ(Output.Notes(), 128);
    EXPECT_EQ(Output.ChannelMask(), 0x00FF);
    EXPECT_EQ(Output.Support(), MidiOutSupportVolume);
}

TEST_F(MidiOutTest, DeviceIdOutsideTheListIsRefusedAndNothingChanges)
{
    Output.SetDeviceID(2);
    for (int id : {3, -2, 1000}) {
        EXPECT_EQ(RaisedText([&] { Output.SetDeviceID(id); }), "Invalid device ID") << id;
        EXPECT_EQ(Output.DeviceID(), 2);
        EXPECT_EQ(Output.ProductName(), "Port C");
    }
}

TEST_F(MidiOutTest, MapperIsAcceptedWhileItReportsCapabilities)
{
    Output.SetDeviceID(MidiMapper);
    EXPECT_EQ(Output.DeviceID(), MidiMapper);
    EXPECT_EQ(Output.ProductName(), "Fake MIDI Mapper");
}

TEST(MidiOutNoDevicesTest, DeviceZeroIsInvalidButTheMapperMayAnswer)
{
    TFakeMidiOutDriver driver;
    TQueueNotifyPoster poster;
    TMidiOutput output(driver, poster);
    EXPECT_EQ(RaisedText([&] { output.SetDeviceID(0); }), "Invalid device ID");
    EXPECT_EQ(RaisedText([&] { output.SetDeviceID(MidiMapper); }), Text(MidiOutErrBadDeviceId));
    driver.SetMapper("Lonely mapper");
    output.SetDeviceID(MidiMapper);
    EXPECT_EQ(output.ProductName(), "Lonely mapper");
}

TEST_F(MidiOutTest, FailedCapabilityReadKeepsTheNewIdAndTheOldName)
{
    Output.SetDeviceID(1);
    Driver.FailCaps(2, MidiOutErrNoDevice);
    EXPECT_EQ(RaisedText([&] { Output.SetDeviceID(2); }), Text(MidiOutErrNoDevice));
    EXPECT_EQ(Output.LastError(), MidiOutErrNoDevice);
    EXPECT_EQ(Output.DeviceID(), 2);
    EXPECT_EQ(Output.ProductName(), "Port B");
}

TEST_F(MidiOutTest, ProductNameSelectsTheFirstMatchingId)
{
    Output.SetProductName("Port C");
    EXPECT_EQ(Output.DeviceID(), 2);
    Output.SetProductName("Fake MIDI Mapper");
    EXPECT_EQ(Output.DeviceID(), MidiMapper);
    Output.SetProductName("Synth A");
    EXPECT_EQ(Output.DeviceID(), 0);
    EXPECT_EQ(Output.ProductName(), "Synth A");
}

TEST_F(MidiOutTest, ProductNameComparesExactly)
{
    Output.SetDeviceID(1);
    for (const std::string name : {"port b", "Port B ", "Port"}) {
        EXPECT_EQ(RaisedText([&] { Output.SetProductName(name); }), "MIDI output Device " + name + " not installed");
        EXPECT_EQ(Output.DeviceID(), 1);
        EXPECT_EQ(Output.ProductName(), "Port B");
    }
}

TEST_F(MidiOutTest, ProductNameWalkStopsAtAFailingId)
{
    Driver.FailCaps(1, MidiOutErrNoMemory);
    EXPECT_EQ(RaisedText([&] { Output.SetProductName("Port C"); }), Text(MidiOutErrNoMemory));
    EXPECT_EQ(Output.DeviceID(), 0);
    Output.SetProductName("Synth A");
    EXPECT_EQ(Output.DeviceID(), 0);
}

TEST_F(MidiOutTest, HeldNameOfAVanishedDeviceRunsPastTheLastId)
{
    Output.SetDeviceID(2);
    Driver.RemoveLastDevice();
    EXPECT_EQ(RaisedText([&] { Output.SetProductName("Port C"); }), "Invalid device ID");
    EXPECT_EQ(Output.DeviceID(), 2);
}

TEST_F(MidiOutTest, SettersAreRefusedWhileOpen)
{
    Output.SetDeviceID(1);
    ASSERT_TRUE(Output.Open());
    EXPECT_EQ(RaisedText([&] { Output.SetDeviceID(0); }), "Change to DeviceID while device was open");
    EXPECT_EQ(RaisedText([&] { Output.SetProductName("Synth A"); }), "Change to ProductName while device was open");
    EXPECT_EQ(Output.DeviceID(), 1);
    EXPECT_EQ(Output.ProductName(), "Port B");
    EXPECT_TRUE(Output.IsOpen());
}

TEST_F(MidiOutTest, OpenAndCloseFollowTheStateTable)
{
    EXPECT_FALSE(Output.Close());
    EXPECT_FALSE(Output.IsOpen());
    Output.SetDeviceID(2);
    ASSERT_TRUE(Output.Open());
    EXPECT_TRUE(Output.IsOpen());
    EXPECT_EQ(Driver.LastOpenedId(), 2);
    EXPECT_TRUE(Output.Close());
    EXPECT_FALSE(Output.IsOpen());
    EXPECT_FALSE(Driver.AnyOpen());
    EXPECT_FALSE(Output.Close());
}

TEST_F(MidiOutTest, SecondOpenReusesTheCallbackBlock)
{
    ASSERT_TRUE(Output.Open());
    void* first = Driver.LastInstance();
    ASSERT_TRUE(Output.Close());
    ASSERT_TRUE(Output.Open());
    EXPECT_EQ(Driver.LastInstance(), first);
    EXPECT_EQ(Driver.OpenCount(), 2);
}

TEST_F(MidiOutTest, RefusedOpenReturnsFalseWithoutRaising)
{
    Driver.RefuseOpen(MidiOutErrAllocated);
    bool opened = true;
    EXPECT_NO_THROW(opened = Output.Open());
    EXPECT_FALSE(opened);
    EXPECT_FALSE(Output.IsOpen());
    EXPECT_EQ(Output.LastError(), MidiOutErrAllocated);
    Driver.RefuseOpen(0);
    EXPECT_TRUE(Output.Open());
    EXPECT_EQ(Output.LastError(), 0);
}

TEST_F(MidiOutTest, OpeningAnOpenDeviceKeepsItsHandleAndCallbackBlock)
{
    ASSERT_TRUE(Output.Open());
    Driver.HoldCompletions(true);
    int fired = 0;
    Output.Onmidioutput = [&](TMidiOutput*) { ++fired; };
    const uint8_t sysex[] = {0xF0, 0x01, 0xF7};
    Output.SendLong(sysex, 3);
    EXPECT_FALSE(Output.Open());
    EXPECT_EQ(Output.LastError(), MidiOutErrAllocated);
    EXPECT_TRUE(Output.IsOpen());
    EXPECT_EQ(Driver.OpenCount(), 1);
    // The message in flight still finds the callback block it was sent with.
    EXPECT_EQ(Driver.CompleteHeld(), 1);
    EXPECT_EQ(Poster.Drain(), 1);
    EXPECT_EQ(fired, 1);
    Output.SendShort(0x90, 60, 100);
    EXPECT_EQ(Driver.Shorts().size(), 1u);
}

TEST_F(MidiOutTest, RefusedCloseRaisesAndStaysOpen)
{
    ASSERT_TRUE(Output.Open());
    Driver.RefuseClose(MidiOutErrStillPlaying);
    EXPECT_EQ(RaisedText([&] { Output.Close(); }), Text(MidiOutErrStillPlaying));
    EXPECT_TRUE(Output.IsOpen());
    Output.SendShort(0x90, 60, 100);
    EXPECT_EQ(Driver.Shorts().size(), 1u);
    Driver.RefuseClose(0);
    EXPECT_TRUE(Output.Close());
}

TEST_F(MidiOutTest, DestructionClosesAnOpenDevice)
{
    {
        TMidiOutput output(Driver, Poster);
        output.SetTrace(nullptr);
        ASSERT_TRUE(output.Open());
        EXPECT_TRUE(Driver.AnyOpen());
    }
    EXPECT_FALSE(Driver.AnyOpen());
}

TEST_F(MidiOutTest, ShortSendsPackTheWord)
{
    ASSERT_TRUE(Output.Open());
    Output.SendShort(0x93, 0x3C, 0x7F);
    Output.SendShort(0xC5, 0x28, 0x00);
    TMidiEvent bend;
    bend.status = 0xE1;
    bend.data1 = 0x01;
    bend.data2 = 0x40;
    Output.SendMidiEvent(&bend);
    TMidiEvent pressure;
    pressure.status = 0xD2;
    pressure.data1 = 0x11;
    pressure.data2 = 0x22; // a one-data-byte kind still carries data2 unchanged
    Output.SendMidiEvent(&pressure);
    EXPECT_EQ(Driver.Shorts(), (std::vector<uint32_t>{0x7F3C93, 0x0028C5, 0x4001E1, 0x2211D2}));
}

TEST_F(MidiOutTest, HookSeesATemporaryRecordBeforeTheSend)
{
    ASSERT_TRUE(Output.Open());
    std::vector<std::string> seen;
    Output.OnMidiShortOutput = [&](PMidiEvent event) {
        std::ostringstream line;
        line << int(event->status) << ' ' << int(event->data1) << ' ' << int(event->data2) << ' '
             << event->deltaTicks << ' ' << event->absoluteTicks << ' ' << event->text.size() << ' '
             << Driver.Shorts().size();
        seen.push_back(line.str());
    };
    Output.SendShort(0x90, 60, 127);
    Output.SendShort(0x80, 60, 127);
    EXPECT_EQ(seen, (std::vector<std::string>{"144 60 127 0 0 0 0", "128 60 127 0 0 0 1"}));
}

TEST_F(MidiOutTest, HookLentTheCallersRecordCannotChangeTheWord)
{
    ASSERT_TRUE(Output.Open());
    TMidiEvent event;
    event.status = 0x90;
    event.data1 = 64;
    event.data2 = 100;
    PMidiEvent seen = nullptr;
    Output.OnMidiShortOutput = [&](PMidiEvent lent) {
        seen = lent;
        lent->status = 0x80;
        lent->data1 = 1;
    };
    Output.SendMidiEvent(&event);
    EXPECT_EQ(seen, &event);
    Output.OnMidiShortOutput = [](PMidiEvent lent) { lent->status = 0xB0; };
    Output.SendShort(0x91, 65, 90);
    EXPECT_EQ(Driver.Shorts(), (std::vector<uint32_t>{0x644090, 0x5A4191}));
}

TEST_F(MidiOutTest, ShortSendsOnAClosedDeviceFailAfterTheHook)
{
    int hooked = 0;
    Output.OnMidiShortOutput = [&](PMidiEvent) { ++hooked; };
    EXPECT_EQ(RaisedText([&] { Output.SendShort(0x90, 60, 1); }), Text(MidiOutErrInvalidHandle));
    TMidiEvent event;
    event.status = 0x90;
    EXPECT_EQ(RaisedText([&] { Output.SendMidiEvent(&event); }), Text(MidiOutErrInvalidHandle));
    EXPECT_EQ(hooked, 2);
    EXPECT_EQ(Output.LastError(), MidiOutErrInvalidHandle);
    EXPECT_TRUE(Driver.Shorts().empty());
}

TEST_F(MidiOutTest, RefusedOpenLeavesLaterSendsFailing)
{
    Driver.RefuseOpen(MidiOutErrAllocated);
    ASSERT_FALSE(Output.Open());
    int hooked = 0;
    Output.OnMidiShortOutput = [&](PMidiEvent) { ++hooked; };
    EXPECT_EQ(RaisedText([&] { Output.SendShort(0x90, 60, 1); }), Text(MidiOutErrInvalidHandle));
    EXPECT_EQ(RaisedText([&] { Output.SendShort(0x80, 60, 1); }), Text(MidiOutErrInvalidHandle));
    EXPECT_EQ(hooked, 2);
}

TEST_F(MidiOutTest, DriverRefusalRaisesItsTextAndLaterSuccessClearsLastError)
{
    ASSERT_TRUE(Output.Open());
    Driver.RefuseSends(MidiOutErrNoMemory);
    EXPECT_EQ(RaisedText([&] { Output.SendShort(0x90, 60, 1); }), Text(MidiOutErrNoMemory));
    EXPECT_EQ(Output.LastError(), MidiOutErrNoMemory);
    Driver.RefuseSends(0);
    Output.SendShort(0x90, 60, 1);
    EXPECT_EQ(Output.LastError(), 0);
}

TEST_F(MidiOutTest, ErrorTextForUnknownCodes)
{
    Driver.SetErrorText(300, "Custom driver text");
    EXPECT_EQ(Output.ErrorText(300), "Custom driver text");
    EXPECT_EQ(Output.ErrorText(999), "Specified error number is out of range");
    EXPECT_EQ(Output.ErrorText(MidiOutErrInvalidHandle), Text(MidiOutErrInvalidHandle));
    ASSERT_TRUE(Output.Open());
    Driver.RefuseSends(999);
    EXPECT_EQ(RaisedText([&] { Output.SendShort(0x90, 1, 1); }), "Specified error number is out of range");
}

TEST_F(MidiOutTest, SendEventRefusesAClosedDeviceBeforeTheHook)
{
    int hooked = 0;
    Output.OnMidiShortOutput = [&](PMidiEvent) { ++hooked; };
    const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
    EXPECT_EQ(RaisedText([&] { Output.SendEvent({0x90, 60, 100, 0, nullptr}); }), "MIDI Output device not open");
    EXPECT_EQ(RaisedText([&] { Output.SendEvent({0, 0, 0, 3, sysex}); }), "MIDI Output device not open");
    EXPECT_EQ(hooked, 0);
    EXPECT_TRUE(Driver.Longs().empty());
}

TEST_F(MidiOutTest, SendEventChoosesShortOrLong)
{
    ASSERT_TRUE(Output.Open());
    const uint8_t sysex[] = {0xF0, 0x43, 0x00, 0x12, 0xF7};
    Output.SendEvent({0x92, 0x40, 0x50, 0, nullptr});
    Output.SendEvent({0x90, 0x11, 0x22, 4, sysex});
    EXPECT_EQ(Driver.Shorts(), (std::vector<uint32_t>{0x504092}));
    EXPECT_EQ(Driver.Longs(), (std::vector<std::vector<uint8_t>>{{0xF0, 0x43, 0x00, 0x12}}));
}

// Routes SendEvent's short half through an override, as a derived device would.
class TCountingOutput : public TMidiOutput {
public:
    using TMidiOutput::TMidiOutput;
    int Shorts = 0, Longs = 0;
    void SendShort(uint8_t status, uint8_t data1, uint8_t data2) override
    {
        ++Shorts;
        TMidiOutput::SendShort(status, data1, data2);
    }
    void SendLong(const uint8_t* data, uint16_t length) override
    {
        ++Longs;
        TMidiOutput::SendLong(data, length);
    }
};

TEST_F(MidiOutTest, SendEventGoesThroughTheVirtualSends)
{
    TCountingOutput output(Driver, Poster);
    ASSERT_TRUE(output.Open());
    const uint8_t sysex[] = {0xF0, 0xF7};
    output.SendEvent({0x90, 1, 2, 0, nullptr});
    output.SendEvent({0, 0, 0, 2, sysex});
    EXPECT_EQ(output.Shorts, 1);
    EXPECT_EQ(output.Longs, 1);
}

TEST_F(MidiOutTest, LongMessageIsCopiedAndCompletesOnTheOwningThreadInOrder)
{
    ASSERT_TRUE(Output.Open());
    Driver.HoldCompletions(true);
    std::vector<int> order;
    Output.Onmidioutput = [&](TMidiOutput* sender) {
        EXPECT_EQ(sender, &Output);
        order.push_back(Driver.PreparedCount());
    };
    uint8_t first[] = {0xF0, 0x01, 0x00, 0xF7};
    uint8_t second[] = {0xF0, 0x02, 0xF7};
    Output.SendLong(first, sizeof first);
    Output.SendLong(second, sizeof second);
    first[1] = 0x55;
    second[1] = 0x66;
    EXPECT_EQ(Driver.InFlight(), (std::vector<std::vector<uint8_t>>{{0xF0, 0x01, 0x00, 0xF7}, {0xF0, 0x02, 0xF7}}));
    EXPECT_EQ(Driver.CompleteHeld(), 2);
    EXPECT_TRUE(order.empty()) << "the hook must wait for the owning thread";
    EXPECT_EQ(Poster.Drain(), 2);
    // Each hook runs after its own header was released: 1 still prepared, then none.
    EXPECT_EQ(order, (std::vector<int>{1, 0}));
}

TEST_F(MidiOutTest, LongMessageOnAClosedDeviceRaisesAndLeavesNothingInFlight)
{
    const uint8_t sysex[] = {0xF0, 0xF7};
    EXPECT_EQ(RaisedText([&] { Output.SendLong(sysex, 2); }), Text(MidiOutErrInvalidHandle));
    ASSERT_TRUE(Output.Open());
    Driver.RefuseSends(MidiOutErrNoMemory);
    EXPECT_EQ(RaisedText([&] { Output.SendLong(sysex, 2); }), Text(MidiOutErrNoMemory));
    EXPECT_EQ(Driver.PreparedCount(), 0);
    Driver.RefuseSends(0);
    Driver.RefusePrepare(MidiOutErrNoMemory);
    EXPECT_EQ(RaisedText([&] { Output.SendLong(sysex, 2); }), Text(MidiOutErrNoMemory));
    EXPECT_EQ(Poster.Drain(), 0);
}

TEST_F(MidiOutTest, EmptyLongMessageIsRefused)
{
    ASSERT_TRUE(Output.Open());
    const uint8_t sysex[] = {0xF0};
    EXPECT_EQ(RaisedText([&] { Output.SendLong(sysex, 0); }), Text(MidiOutErrInvalidParam));
    EXPECT_EQ(RaisedText([&] { Output.SendEvent({0, 0, 0, 0, sysex}); }), Text(MidiOutErrInvalidParam));
    EXPECT_TRUE(Driver.Longs().empty());
}

TEST_F(MidiOutTest, NoticeQueuedPastTheDevicesLifeIsHarmless)
{
    Driver.HoldCompletions(true);
    {
        TMidiOutput output(Driver, Poster);
        int fired = 0;
        output.Onmidioutput = [&](TMidiOutput*) { ++fired; };
        ASSERT_TRUE(output.Open());
        const uint8_t sysex[] = {0xF0, 0x7F, 0xF7};
        output.SendLong(sysex, 3);
        EXPECT_EQ(fired, 0);
    }
    // Closing finished the message; its notice now finds the device gone.
    EXPECT_EQ(Poster.Drain(), 1);
}

TEST(MidiOutTraceTest, WritesOneLinePerSentMessage)
{
    char path[] = "/tmp/tinkla-trace-XXXXXX";
    const int descriptor = mkstemp(path);
    ASSERT_GE(descriptor, 0);
    close(descriptor);
    {
        TFakeMidiOutDriver driver({"Only"});
        TQueueNotifyPoster poster;
        TMidiTrace trace(path);
        TMidiOutput output(driver, poster);
        output.SetTrace(&trace);
        ASSERT_TRUE(output.Open());
        output.SendShort(0x90, 0x30, 0x7F);
        output.SendShort(0xC0, 0x00, 0xE1);
        const uint8_t sysex[] = {0xF0, 0x00, 0x0A, 0xF7};
        output.SendLong(sysex, 4);
        driver.RefuseSends(MidiOutErrNoMemory);
        EXPECT_THROW(output.SendShort(0x80, 0x30, 0x00), EmidioutputError);
    }
    std::ifstream file(path);
    std::vector<std::string> bytes;
    for (std::string line; std::getline(file, line);) {
        const auto space = line.find(' ');
        ASSERT_NE(space, std::string::npos) << line;
        EXPECT_NE(line.substr(0, space).find_first_of("0123456789"), std::string::npos);
        bytes.push_back(line.substr(space + 1));
    }
    std::remove(path);
    EXPECT_EQ(bytes, (std::vector<std::string>{"90 30 7F", "C0 00 E1", "F0 00 0A F7"}));
}

// The trace is chosen once per process, so the child of a death test (a fresh run of this
// binary) is where the variable can be seen taking effect.
TEST(MidiOutTraceDeathTest, EnvironmentTurnsTheTraceOn)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = "/tmp/tinkla-midi-trace-environment-test.txt";
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
            setenv("TINKLA_MIDI_TRACE", path.c_str(), 1);
            TFakeMidiOutDriver driver({"Only"});
            TQueueNotifyPoster poster;
            TMidiOutput output(driver, poster);
            output.Open();
            output.SendShort(0x90, 0x30, 0x7F);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    std::ifstream file(path);
    std::string line, rest;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_FALSE(std::getline(file, rest));
    std::remove(path.c_str());
    EXPECT_EQ(line.substr(line.find(' ') + 1), "90 30 7F");
}

TEST(MidiOutStartupTest, ChoosesByEnvironmentName)
{
    TFakeMidiOutDriver driver({"Synth A", "Port B"});
    TQueueNotifyPoster poster;
    TMidiOutput output(driver, poster);
    ASSERT_EQ(unsetenv("TINKLA_MIDI_OUT"), 0);
    output.SetDeviceID(1);
    SelectStartupDevice(output);
    EXPECT_EQ(output.DeviceID(), 0);
    ASSERT_EQ(setenv("TINKLA_MIDI_OUT", "Port B", 1), 0);
    SelectStartupDevice(output);
    EXPECT_EQ(output.DeviceID(), 1);
    ASSERT_EQ(setenv("TINKLA_MIDI_OUT", "Nowhere", 1), 0);
    EXPECT_EQ(RaisedText([&] { SelectStartupDevice(output); }), "MIDI output Device Nowhere not installed");
    ASSERT_EQ(unsetenv("TINKLA_MIDI_OUT"), 0);
}

} // namespace
