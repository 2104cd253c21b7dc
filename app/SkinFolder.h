// Where the skin pictures are read from. Any thread (plain file-system checks).
#pragma once

#include <QString>

// The installed data folder as seen from the folder of the installed executable
// (share/tinkla beside bin/, whatever the prefix).
extern const QString InstalledDataFromExecutable;

// The folder, with a trailing separator, that holds the img folder: the executable's own
// folder when img/ sits beside it (the build tree, or a copy unpacked anywhere), else the
// installed data folder found from it. When neither has img/, the executable's folder, so
// that a missing-skin report names the files beside the program.
QString FindSkinFolder(const QString& executableDir,
                       const QString& dataFromExecutable = InstalledDataFromExecutable);
