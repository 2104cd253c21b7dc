#include "midi/platform/AlsaSeqDevices.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(AlsaSeqDevicesTest, ListsPortsOrNoneWithoutASequencer)
{
    TAlsaSeqPorts ports;
    std::vector<std::shared_ptr<TMidiOutDevice>> devices;
    ASSERT_NO_THROW(devices = ports.Devices());
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_TRUE(devices.empty());
        return;
    }
    for (const auto& device : devices) {
        const TMidiOutCaps caps = device->Caps();
        EXPECT_FALSE(caps.ProductName.empty());
        EXPECT_EQ(caps.Technology, MidiOutTechPort);
    }
    // Asking again gives the same list while nothing is plugged in or out.
    EXPECT_EQ(ports.Devices().size(), devices.size());
}

TEST(AlsaSeqDevicesTest, ShortMessagesKeepOnlyTheirKindsDataBytes)
{
    for (uint8_t kind : {0x80, 0x90, 0xA0, 0xB0, 0xE0})
        for (uint8_t channel : {0, 9, 15})
            EXPECT_EQ(ShortMessageLength(uint8_t(kind | channel)), 3u) << int(kind | channel);
    for (uint8_t status : {0xC0, 0xC7, 0xD0, 0xDF, 0xF1, 0xF3})
        EXPECT_EQ(ShortMessageLength(status), 2u) << int(status);
    EXPECT_EQ(ShortMessageLength(0xF2), 3u);
    for (uint8_t status : {0xF6, 0xF8, 0xFA, 0xFC, 0xFE, 0xFF})
        EXPECT_EQ(ShortMessageLength(status), 1u) << int(status);
    for (uint8_t status : {0x00, 0x3C, 0x7F, 0xF0, 0xF7})
        EXPECT_EQ(ShortMessageLength(status), 0u) << int(status);
}

} // namespace
