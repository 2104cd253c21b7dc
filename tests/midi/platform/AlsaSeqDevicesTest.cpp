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

} // namespace
