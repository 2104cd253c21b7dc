// `lblOffset`, the text under the keyboard that shows the transposition while it is not 0.
// Window thread only.
#pragma once

#include <QString>

class QLabel;
class QWidget;

// The label at (628, 200): transparent, bottom-aligned, green, bold, 13-pixel "新宋体", hidden.
QLabel* CreateOffsetLabel(QWidget* parent);

// "当前移调：" and the number in decimal.
QString OffsetText(int semitones);

// Hides the label for 0; otherwise writes OffsetText and shows it.
void ShowOffset(QLabel& label, int semitones);
