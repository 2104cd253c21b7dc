// Renders the channel dialog as it opens on the first built-in song, offscreen, so the picture
// can be regenerated after a change of look.
#include <atomic>
#include <cstdio>
#include <stdexcept>

#include <QApplication>
#include <QImage>
#include <QTest>

#include "midi/MidiFile.h"
#include "midi/MidiOut.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"
#include "ui/SongTables.h"
#include "ui/UTune.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tune-shot <output .png>\n");
        return 2;
    }
    try {
        // The dialog only sends in play-along mode, which the picture does not show: a device
        // with no outputs stands in for the real one.
        TFakeMidiOutDriver driver;
        TQueueNotifyPoster poster;
        TMidiOutput output(driver, poster);
        TMidiFile song;
        const std::string data = LoadSongResource(QString::fromUtf8(SongResourceNames[0].data()));
        song.ReadResource(data.data(), data.size());
        TChannelSet keyChannels = song.MutedChannels;
        const std::atomic<bool> playAlong{false};

        TFTune dialog(song, keyChannels, playAlong, output, [](const std::exception&) {});
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            throw std::runtime_error("the dialog did not show");
        const QString path = QString::fromLocal8Bit(argv[1]);
        if (!dialog.grab().toImage().save(path))
            throw std::runtime_error("cannot write " + path.toStdString());
        std::printf("%s\n", qPrintable(path));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tune-shot: %s\n", error.what());
        return 1;
    }
    return 0;
}
