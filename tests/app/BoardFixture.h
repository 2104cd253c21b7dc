// A keyboard window on a scripted MIDI output, driven by synthesised Qt events, for tests
// that run without a display (offscreen platform).
#pragma once

#include "app/MidiKeyboard.h"
#include "app/SkinWidgets.h"
#include "app/UBoard.h"
#include "midi/MidiOut.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/BoardMenu.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <thread>
#include <vector>

class TQtApp : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "tinkla-app-test";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QApplication> App;
};

inline ::testing::Environment* const QtApp = ::testing::AddGlobalTestEnvironment(new TQtApp);

using TMessage = std::array<int, 3>;

// The item with this Tag in the submenu under `parent` (searched depth first).
inline QAction* ItemWithTag(QAction* parent, int tag)
{
    for (QAction* item : parent->menu()->actions()) {
        if (item->menu() != nullptr) {
            if (QAction* found = ItemWithTag(item, tag)) {
                return found;
            }
        } else if (!item->isSeparator() && TBoardMenu::Tag(item) == tag) {
            return item;
        }
    }
    return nullptr;
}

// XKB key codes (evdev + 8) of the keys the tests press.
namespace Xkb {
inline constexpr uint32_t A = 38;
inline constexpr uint32_t K = 45;
inline constexpr uint32_t Q = 24;
inline constexpr uint32_t Z = 52;
inline constexpr uint32_t Left = 113;
} // namespace Xkb

class TBoardTest : public ::testing::Test {
protected:
    TFakeMidiOutDriver Driver{{"Fake Synth"}};
    TQueueNotifyPoster Poster;
    std::vector<QString> Reports;
    TScriptedDialogs Dialogs;
    std::unique_ptr<TFBoard> Board;

    void SetUp() override
    {
        qunsetenv("TINKLA_MIDI_OUT");
        // No real MIDI keyboard may join in.
        qputenv("TINKLA_MIDI_IN", "none");
    }
    void TearDown() override { qunsetenv("TINKLA_MIDI_IN"); }

    void Start(const QString& appDir = QStringLiteral(TINKLA_SOURCE_DIR "/"))
    {
        Board = std::make_unique<TFBoard>(Driver, Poster, appDir, &Dialogs);
        Board->ShowMessage = [this](const QString& text) { Reports.push_back(text); };
        QApplication::processEvents();
        StartupSends = Driver.Shorts().size();
    }

    // What the window sent since start-up, and what start-up itself sent.
    std::vector<TMessage> Sent() const { return SentBetween(StartupSends, Driver.Shorts().size()); }
    std::vector<TMessage> SentAtStartup() const { return SentBetween(0, StartupSends); }

    std::vector<TMessage> SentBetween(size_t from, size_t to) const
    {
        const std::vector<uint32_t> words = Driver.Shorts();
        std::vector<TMessage> messages;
        for (size_t i = from; i < to && i < words.size(); ++i) {
            messages.push_back({int(words[i] & 0xFF), int(words[i] >> 8 & 0xFF), int(words[i] >> 16 & 0xFF)});
        }
        return messages;
    }

    size_t StartupSends = 0;

    // Plays `messages` from an input thread of their own, as RtMidi's or JACK's would be.
    void PlayFromInput(const std::vector<TMessage>& messages)
    {
        std::thread input([&] {
            for (const TMessage& message : messages)
                Board->MidiKeyboard->Receive(uint8_t(message[0]), uint8_t(message[1]), uint8_t(message[2]));
        });
        input.join();
    }

    void Key(QEvent::Type type, uint32_t nativeCode, bool autoRepeat = false, QObject* target = nullptr)
    {
        QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, nativeCode, 0, 0, QString(), autoRepeat);
        QApplication::sendEvent(target != nullptr ? target : Board.get(), &event);
    }
    void Press(uint32_t nativeCode) { Key(QEvent::KeyPress, nativeCode); }
    void Release(uint32_t nativeCode) { Key(QEvent::KeyRelease, nativeCode); }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(at), QPointF(Board->mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(Board.get(), &event);
    }
    void MouseDown(QPoint at) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void MouseDouble(QPoint at) { Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton); }
    void MouseDrag(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void MouseUp(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

    // A point on the lower part of a white key, or the middle of a black key.
    QPoint On(int note) const
    {
        const TPianoKey& key = Board->Keys[size_t(note)];
        return {key.Rect.Left + key.Rect.Width() / 2, key.Kind == kkBlack ? 250 : 320};
    }

    bool ShownPressed(int note) const
    {
        const TPianoKey& key = Board->Keys[size_t(note)];
        const QPixmap* down = key.Kind == kkBlack          ? &Board->Skin.PngBlackKeyDown
                            : key.Kind == kkWhiteLeft     ? &Board->Skin.PngKeyDownL
                            : key.Kind == kkWhiteMiddle   ? &Board->Skin.PngKeyDown
                                                          : &Board->Skin.PngKeyDownR;
        return key.Image == down;
    }
};
