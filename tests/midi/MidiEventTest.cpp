#include "midi/MidiEvent.h"

#include <gtest/gtest.h>

TEST(MidiEvent, PayloadKeepsEveryByteAndCopiesAreIndependent)
{
    TMidiEvent sysex;
    sysex.status = MidiSysEx;
    sysex.text = std::string("\x7E\x00\x09\x00\xF7", 5);
    ASSERT_EQ(sysex.text.size(), 5u);

    auto copy = std::make_unique<TMidiEvent>(sysex);
    sysex.text.assign("changed");
    EXPECT_EQ(copy->text, std::string("\x7E\x00\x09\x00\xF7", 5));
    copy.reset();
    EXPECT_EQ(sysex.text, "changed");
}

TEST(MidiEvent, ShortMessageWordAndChannel)
{
    EXPECT_EQ(PackShortMessage(0x93, 60, 127), 0x007F3C93u);
    // A one-data-byte kind still carries data2 unchanged.
    EXPECT_EQ(PackShortMessage(MidiProgramChange, 5, 225), 0x00E105C0u);
    for (int status = 0x80; status <= 0xEF; ++status) {
        EXPECT_EQ(StatusChannel(uint8_t(status)), status % 16);
        EXPECT_EQ(StatusKind(uint8_t(status)), status / 16 * 16);
    }
    TMidiEvent fresh;
    EXPECT_EQ(fresh.data2, 0);
    EXPECT_TRUE(fresh.text.empty());
}
