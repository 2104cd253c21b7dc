// How the desktop knows the program: the desktop entry's id (so task bars, switchers and
// Wayland compositors find its name and icon) and the window icon, the logo compiled in.
// Window thread, after the QApplication exists and before the first window shows.
#pragma once

void ApplyDesktopIdentity();
