// The channel dialog: for each of the 16 MIDI channels a check box (the song plays the channel,
// or leaves it muted for the child in play-along mode) and a note icon (the keyboard sounds on
// that channel). It edits the song's MutedChannels as boxes are clicked and rebuilds both sets
// on OK; RunTuneDialog puts them back on any other result.
//
// Window thread only. Edits to MutedChannels add or remove one channel at a time, so a song
// playing meanwhile sees each edit either before or after it.
#pragma once

#include <array>
#include <atomic>
#include <exception>
#include <functional>

#include <QColor>
#include <QDialog>
#include <QIcon>
#include <QPixmap>

#include "midi/ChannelSet.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class TMidiFile;
class TMidiOutput;

// A 17 x 17 note icon: draws on a canvas of its own size and reports left clicks (a disabled
// icon gets none; a double click is one click).
class TNoteIcon : public QWidget {
public:
    explicit TNoteIcon(QWidget* parent);

    int Number = 0;        // 1..16, channel Number - 1
    bool Selected = false; // shows the selected picture; kept while the icon is disabled
    std::function<void()> OnClick;

    void Fill(const QColor& colour);
    // Draws `picture` at (0, 0) over what the canvas holds.
    void Draw(const QIcon& picture);
    // The canvas as it will be painted.
    QImage Canvas() const { return FCanvas.toImage(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QPixmap FCanvas;
    bool FPressed = false;
};

class TFTune : public QDialog {
public:
    static constexpr int ClientWidth = 467;
    static constexpr int ClientHeight = 197;
    static constexpr int ChannelCount = 16;
    // A pale sky blue: the layout asks for the system's light caption-gradient colour, which Qt
    // does not have. This one is close to it, and it is the light blue of the skin's song
    // button and logo, so the dialog looks like part of the keyboard; unlike the skin's cream it
    // keeps both the white and the orange-red note clear against it.
    static constexpr QRgb FormColor = qRgb(214, 232, 250);

    // `song`, `keyChannels`, `playAlong` and `output` must outlive the dialog. A device failure
    // while sending goes to `reportDeviceError` and never leaves the dialog.
    TFTune(TMidiFile& song, TChannelSet& keyChannels, const std::atomic<bool>& playAlong, TMidiOutput& output,
           std::function<void(const std::exception&)> reportDeviceError, QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    // CheckBox[n - 1] and Image[n - 1] belong to channel n - 1; the box's tag is n.
    std::array<QCheckBox*, ChannelCount> CheckBox{};
    std::array<TNoteIcon*, ChannelCount> Image{};
    QPushButton* Button1; // OK
    QPushButton* Button2; // Cancel
    // 0: not selected, 1: selected.
    std::array<QIcon, 2> ImageList1;

    void CheckBoxClick(int tag);
    void ImageClick(TNoteIcon* clicked);
    void Button1Click();
    void HideNoteIcon(TNoteIcon* icon);
    void ShowNoteIcon(TNoteIcon* icon);

private:
    void FormCreate();
    // Draws image-list picture 1 or 0 by the icon's Selected and repaints it.
    void DrawSelection(TNoteIcon* icon);
    void SendAllSoundOff(int channel);

    TMidiFile& FSong;
    TChannelSet& FKeyChannels;
    const std::atomic<bool>& FPlayAlong;
    TMidiOutput& FOutput;
    std::function<void(const std::exception&)> FReportDeviceError;
    // While the dialog fills itself ShowNoteIcon keeps the icons' Selected.
    bool FCreating = false;
};

// What the window does for its menu item: copies both sets, shows the dialog (through `exec`,
// modally by default) and puts both sets back on any result but QDialog::Accepted, also when
// `exec` throws. Returns the dialog's result.
int RunTuneDialog(TMidiFile& song, TChannelSet& keyChannels, const std::atomic<bool>& playAlong, TMidiOutput& output,
                  std::function<void(const std::exception&)> reportDeviceError, QWidget* parent = nullptr,
                  const std::function<int(TFTune&)>& exec = [](TFTune& dialog) { return dialog.exec(); });
