// Draws each skin picture at a given scale (1 for the shipped pictures, 2 for high-density
// screens). Sizes are in pixels at scale 1. Any thread that owns a QGuiApplication.
#pragma once

#include <QImage>

enum class TWhiteKeyShape { Left, Middle, Right };
enum class TButtonIcon { Open, Play, Stop, Rec, RecPlay, StopRec, Save };
enum class TButtonLook { Normal, Hot, On };

// 21 x 120, transparent where the neighbouring black keys sit.
QImage DrawWhiteKey(TWhiteKeyShape shape, bool pressed, int scale);
// 16 x 65.
QImage DrawBlackKey(bool pressed, int scale);
// 32 x 32.
QImage DrawCloseButton(bool hot, int scale);
// 48 x 29.
QImage DrawTransportButton(TButtonIcon icon, TButtonLook look, int scale);
// 765 x 341, opaque (stored as JPEG).
QImage DrawBackground(int scale);
// 128 x 128.
QImage DrawLogo(int scale);
// The logo as an application icon of size x size pixels, drawn at that size (not scaled
// from a bitmap) so that small icons stay sharp.
QImage DrawLogoIcon(int size);
// 222 x 180: frame, top light strip, translucent pane with a highlight.
QImage DrawLedGlass(int scale);
// 16 x 16: the channel dialog's eighth note, white (orange-red when selected) with a green
// outline on a transparent background.
QImage DrawNoteIcon(bool selected, int scale);
