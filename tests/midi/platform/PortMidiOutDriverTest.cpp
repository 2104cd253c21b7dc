#include "midi/platform/PortMidiOutDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Shared by a fake device and the ports it opens, so that tests see what reached the port.
struct TPortLog {
    std::vector<uint32_t> Shorts;
    std::vector<std::vector<uint8_t>> Longs;
    int OpenPorts = 0;
    uint16_t SendResult = MidiOutOk;
};

class TLoggingPort : public TMidiOutPort {
public:
    explicit TLoggingPort(std::shared_ptr<TPortLog> log) : FLog(std::move(log)) { ++FLog->OpenPorts; }
    ~TLoggingPort() override { --FLog->OpenPorts; }
    uint16_t SendShort(uint32_t word) override
    {
        FLog->Shorts.push_back(word);
        return FLog->SendResult;
    }
    uint16_t SendLong(const uint8_t* data, size_t length) override
    {
        FLog->Longs.emplace_back(data, data + length);
        return FLog->SendResult;
    }

private:
    std::shared_ptr<TPortLog> FLog;
};

class TLoggingDevice : public TMidiOutDevice {
public:
    TLoggingDevice(std::string name, uint16_t openFailure = MidiOutOk) : FName(std::move(name)), FOpenFailure(openFailure) {}
    TMidiOutCaps Caps() const override
    {
        TMidiOutCaps caps;
        caps.ProductName = FName;
        return caps;
    }
    std::unique_ptr<TMidiOutPort> Open() override
    {
        if (FOpenFailure)
            throw EMidiOutFailure(FOpenFailure, "refused");
        return std::make_unique<TLoggingPort>(Log);
    }
    std::shared_ptr<TPortLog> Log = std::make_shared<TPortLog>();

private:
    std::string FName;
    uint16_t FOpenFailure;
};

struct TDone {
    std::vector<std::pair<void*, TMidiLongHeader*>> Calls;
    static void Callback(void* instance, TMidiLongHeader* header)
    {
        static_cast<TDone*>(instance)->Calls.emplace_back(instance, header);
    }
};

class PortMidiOutDriverTest : public ::testing::Test {
protected:
    std::shared_ptr<TLoggingDevice> Synth = std::make_shared<TLoggingDevice>("Synth");
    std::shared_ptr<TLoggingDevice> Port = std::make_shared<TLoggingDevice>("Port");
    std::vector<std::shared_ptr<TMidiOutDevice>> Listed = {Synth, Port};
    int Listings = 0;
    TPortMidiOutDriver Driver{[this] {
        ++Listings;
        return Listed;
    }};
    TDone Done;
};

TEST_F(PortMidiOutDriverTest, NumbersTheListAndMapsTheMapperToDeviceZero)
{
    EXPECT_EQ(Driver.DeviceCount(), 2u);
    TMidiOutCaps caps;
    ASSERT_EQ(Driver.GetDevCaps(1, caps), MidiOutOk);
    EXPECT_EQ(caps.ProductName, "Port");
    ASSERT_EQ(Driver.GetDevCaps(MidiMapper, caps), MidiOutOk);
    EXPECT_EQ(caps.ProductName, "Synth");
    EXPECT_EQ(Driver.GetDevCaps(2, caps), MidiOutErrBadDeviceId);
    EXPECT_EQ(Driver.GetDevCaps(-2, caps), MidiOutErrBadDeviceId);
}

TEST_F(PortMidiOutDriverTest, ListsOnFirstUseAndAfreshAtEachCount)
{
    TMidiOutCaps caps;
    ASSERT_EQ(Driver.GetDevCaps(0, caps), MidiOutOk);
    ASSERT_EQ(Driver.GetDevCaps(1, caps), MidiOutOk);
    EXPECT_EQ(Listings, 1);
    Listed.pop_back();
    EXPECT_EQ(Driver.GetDevCaps(1, caps), MidiOutOk) << "the list only changes at a count";
    EXPECT_EQ(Driver.DeviceCount(), 1u);
    EXPECT_EQ(Driver.GetDevCaps(1, caps), MidiOutErrBadDeviceId);
}

TEST_F(PortMidiOutDriverTest, HandlesRouteToTheirPortsUntilClosed)
{
    TMidiOutHandle synth = 0, port = 0;
    ASSERT_EQ(Driver.Open(synth, 0, &TDone::Callback, &Done), MidiOutOk);
    ASSERT_EQ(Driver.Open(port, 1, &TDone::Callback, &Done), MidiOutOk);
    EXPECT_NE(synth, 0u);
    EXPECT_NE(synth, port);
    EXPECT_EQ(Driver.ShortMsg(synth, 0x7F3C90), MidiOutOk);
    EXPECT_EQ(Driver.ShortMsg(port, 0x0000C1), MidiOutOk);
    EXPECT_EQ(Synth->Log->Shorts, std::vector<uint32_t>{0x7F3C90});
    EXPECT_EQ(Port->Log->Shorts, std::vector<uint32_t>{0x0000C1});
    EXPECT_EQ(Driver.Close(synth), MidiOutOk);
    EXPECT_EQ(Synth->Log->OpenPorts, 0);
    EXPECT_EQ(Driver.ShortMsg(synth, 0x7F3C90), MidiOutErrInvalidHandle);
    EXPECT_EQ(Driver.Close(synth), MidiOutErrInvalidHandle);
    EXPECT_EQ(Driver.ShortMsg(0, 0x7F3C90), MidiOutErrInvalidHandle);
    EXPECT_EQ(Synth->Log->Shorts.size(), 1u);
    EXPECT_EQ(Driver.Close(port), MidiOutOk);
}

TEST_F(PortMidiOutDriverTest, OpenFailuresKeepTheDevicesCode)
{
    Listed.push_back(std::make_shared<TLoggingDevice>("Busy", MidiOutErrAllocated));
    Driver.DeviceCount();
    TMidiOutHandle handle = 0;
    EXPECT_EQ(Driver.Open(handle, 2, &TDone::Callback, &Done), MidiOutErrAllocated);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Driver.Open(handle, 3, &TDone::Callback, &Done), MidiOutErrBadDeviceId);
}

TEST_F(PortMidiOutDriverTest, LongMessagesNeedPreparingAndReportCompletion)
{
    TMidiOutHandle handle = 0;
    ASSERT_EQ(Driver.Open(handle, 1, &TDone::Callback, &Done), MidiOutOk);
    TMidiLongHeader header;
    header.Data = {0xF0, 0x7E, 0xF7};
    EXPECT_EQ(Driver.LongMsg(handle, header), MidiOutErrUnprepared);
    ASSERT_EQ(Driver.PrepareHeader(handle, header), MidiOutOk);
    ASSERT_EQ(Driver.LongMsg(handle, header), MidiOutOk);
    EXPECT_EQ(Port->Log->Longs, (std::vector<std::vector<uint8_t>>{{0xF0, 0x7E, 0xF7}}));
    ASSERT_EQ(Done.Calls.size(), 1u);
    EXPECT_EQ(Done.Calls[0].first, &Done);
    EXPECT_EQ(Done.Calls[0].second, &header);
    EXPECT_EQ(Driver.UnprepareHeader(handle, header), MidiOutOk);
    EXPECT_EQ(Driver.UnprepareHeader(handle, header), MidiOutErrUnprepared);
}

TEST_F(PortMidiOutDriverTest, RefusedLongMessageReportsNoCompletion)
{
    TMidiOutHandle handle = 0;
    ASSERT_EQ(Driver.Open(handle, 0, &TDone::Callback, &Done), MidiOutOk);
    TMidiLongHeader empty;
    EXPECT_EQ(Driver.PrepareHeader(handle, empty), MidiOutErrInvalidParam);
    TMidiLongHeader header;
    header.Data = {0xF0, 0xF7};
    ASSERT_EQ(Driver.PrepareHeader(handle, header), MidiOutOk);
    Synth->Log->SendResult = MidiOutErrInvalidParam;
    EXPECT_EQ(Driver.LongMsg(handle, header), MidiOutErrInvalidParam);
    EXPECT_TRUE(Done.Calls.empty());
    EXPECT_EQ(Driver.PrepareHeader(99, header), MidiOutErrInvalidHandle);
}

TEST_F(PortMidiOutDriverTest, ErrorTextsForKnownCodesOnly)
{
    std::string text;
    EXPECT_EQ(Driver.GetErrorText(MidiOutErrNoSoundFont, text), MidiOutOk);
    EXPECT_NE(text.find("fluid-soundfont-gm"), std::string::npos);
    EXPECT_NE(text.find("TINKLA_SOUNDFONT"), std::string::npos);
    EXPECT_NE(Driver.GetErrorText(12345, text), MidiOutOk);
}

} // namespace
