// A device that fails after it opened (the built-in synthesizer's SoundFont, its sound server)
// tells the window through the notice poster, on the owning thread, once per failure.
#include "midi/MidiOut.h"
#include "midi/platform/PortMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A port that fails when the test says so; it already failed once while opening.
class TTroublePort : public TMidiOutPort {
public:
    explicit TTroublePort(std::function<void(uint16_t)>*& report) : FReportSlot(report) { report = &FReport; }
    ~TTroublePort() override { FReportSlot = nullptr; }
    uint16_t SendShort(uint32_t) override { return MidiOutOk; }
    uint16_t SendLong(const uint8_t*, size_t) override { return MidiOutOk; }
    void OnTrouble(std::function<void(uint16_t)> report) override
    {
        FReport = std::move(report);
        FReport(MidiOutErrBadSoundFont);
    }

private:
    std::function<void(uint16_t)> FReport;
    std::function<void(uint16_t)>*& FReportSlot;
};

class TTroubleDevice : public TMidiOutDevice {
public:
    TMidiOutCaps Caps() const override { return {}; }
    std::unique_ptr<TMidiOutPort> Open() override { return std::make_unique<TTroublePort>(Report); }
    std::function<void(uint16_t)>* Report = nullptr;
};

class MidiOutTroubleTest : public ::testing::Test {
protected:
    std::shared_ptr<TTroubleDevice> Device = std::make_shared<TTroubleDevice>();
    TPortMidiOutDriver Driver{[this] { return std::vector<std::shared_ptr<TMidiOutDevice>>{Device}; }};
    TQueueNotifyPoster Poster;
};

TEST_F(MidiOutTroubleTest, FailuresAfterOpeningReachTheOwningThreadOnceEach)
{
    TMidiOutput output(Driver, Poster);
    std::vector<uint16_t> told;
    output.OnDeviceTrouble = [&](TMidiOutput* sender, uint16_t code) {
        EXPECT_EQ(sender, &output);
        told.push_back(code);
    };
    ASSERT_TRUE(output.Open());
    EXPECT_TRUE(told.empty()) << "only the owning thread's loop runs the hook";
    Poster.Drain();
    EXPECT_EQ(told, std::vector<uint16_t>{MidiOutErrBadSoundFont}) << "a failure met while opening is not lost";

    ASSERT_NE(Device->Report, nullptr);
    (*Device->Report)(MidiOutErrNoAudio);
    Poster.Drain();
    EXPECT_EQ(told, (std::vector<uint16_t>{MidiOutErrBadSoundFont, MidiOutErrNoAudio}));
    EXPECT_NE(output.ErrorText(MidiOutErrNoAudio), output.ErrorText(MidiOutErrBadSoundFont));
}

TEST_F(MidiOutTroubleTest, ANoticeForADeviceThatIsGoneIsDropped)
{
    int told = 0;
    {
        TMidiOutput output(Driver, Poster);
        output.OnDeviceTrouble = [&](TMidiOutput*, uint16_t) { ++told; };
        ASSERT_TRUE(output.Open());
    }
    EXPECT_EQ(Poster.Drain(), 1);
    EXPECT_EQ(told, 0);
}

} // namespace
