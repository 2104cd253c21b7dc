// The row of seven picture buttons under the LED panel (choose a song, play, stop, record, play
// along, stop recording, save): their pictures, transparent hot areas and captions, and how
// their pictures follow the mouse and the playing and recording states. What a click does is
// the owner's: OnClick receives the button's tag. Window thread only.
#pragma once

#include <QPixmap>
#include <QString>

#include <array>
#include <functional>
#include <vector>

#include "app/SkinImages.h"

class QLabel;
class QWidget;
class THotArea;
class TPictureBox;

class TTransportButtons {
public:
    static constexpr int Count = 7;
    enum TTag { Open, Play, Stop, Rec, RecPlay, Stop1, Save };

    // Creates the controls on `window`. Pictures are read from `appDir`'s img folder each time
    // the look changes, except the song button's hover picture `openHot`, which the window holds.
    // `isPlaying` and `isRecording` tell the hover rules the current states.
    TTransportButtons(QWidget& window, const QString& appDir, const QPixmap& openHot,
                      std::function<bool()> isPlaying, std::function<bool()> isRecording);

    // The pictures the buttons show until their look first changes (compiled in with the
    // layout), and a check that every picture file they will read can be read. Returns the files
    // that cannot.
    std::vector<TSkinProblem> Load(qreal devicePixelRatio);

    std::function<void(int tag)> OnClick;

    // lblStop1MouseEnter and lblStop1MouseLeave, by tag.
    void MouseEnter(int tag);
    void MouseLeave(int tag);
    // The play button on while a song plays, the record button on while recording.
    void ShowPlay(bool on);
    void ShowRec(bool on);

    std::array<TPictureBox*, Count> Pictures;
    std::array<THotArea*, Count> HotAreas;
    std::array<QLabel*, Count> Captions;

private:
    // Shows img/<name>.png on the button; a file that cannot be read leaves the picture as it
    // was (Load has already told the user about it).
    void Show(int tag, const QString& name);

    QString FAppDir;
    const QPixmap& FOpenHot;
    std::function<bool()> FIsPlaying;
    std::function<bool()> FIsRecording;
    qreal FDensity = 1.0;
};
