// A MIDI keyboard played while the child changes the transposition and the keyboard's channels
// and plays computer keys: the input thread and the window thread at once (run under
// ThreadSanitizer with the "concurrency" label).
#include "tests/app/BoardFixture.h"

#include <atomic>

namespace {

TEST_F(TBoardTest, InputThreadPlaysWhileTheWindowChangesTranspositionAndChannels)
{
    Start();
    std::atomic<bool> done{false};
    std::thread input([&] {
        for (int round = 0; round < 2000; ++round) {
            const auto note = uint8_t(round % 128);
            Board->MidiKeyboard->Receive(0x90, note, 100);
            Board->MidiKeyboard->Receive(0xB0, 64, uint8_t(round % 2 * 127));
            Board->MidiKeyboard->Receive(0x80, note, 40);
        }
        done = true;
    });
    for (int round = 0; !done; ++round) {
        ItemWithTag(Board->Menu->nOffset, round % 8)->trigger();
        if (round % 2 == 0)
            Board->KeyChannels.Add(9);
        else
            Board->KeyChannels.Remove(9);
        Press(Xkb::A);
        Release(Xkb::A);
        QApplication::processEvents();
    }
    input.join();
    QApplication::processEvents();

    const std::vector<TMessage> sent = Sent();
    ASSERT_GT(sent.size(), 6000u);
    for (const TMessage& message : sent) {
        const int channel = message[0] & 0x0F;
        EXPECT_TRUE(channel == 0 || channel == 9) << message[0];
        EXPECT_LE(message[1], 127);
        EXPECT_LE(message[2], 127);
    }
    // Every drawn key came back up: each note-on's drawing was followed by its note-off's.
    for (int note = LowestKeyNote; note <= HighestKeyNote; ++note)
        EXPECT_FALSE(Board->Keys[size_t(note)].Pressed) << note;
}

} // namespace
