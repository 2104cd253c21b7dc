// The Windows font names the window and its panels are designed with, mapped onto the CJK and
// mono faces a Debian machine has (fonts-arphic-uming, fonts-arphic-ukai, fonts-wqy-zenhei).
// Window thread only (needs the QGuiApplication).
#pragma once

#include <QFont>
#include <QString>

// Registers the substitutions with Qt once; later calls do nothing.
void InstallFontSubstitutions();

// A font of `family` (a designed name such as "宋体", substituted) whose characters are
// `pixelSize` pixels high.
QFont TinklaFont(const QString& family, int pixelSize, bool bold = false);
