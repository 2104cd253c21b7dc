// Keeps an unsaved recording when the program quits without asking the user (a termination
// signal): it is written to <user data folder>/tinkla/recovered/rec-<yyyyMMdd-HHmmss>.mid, the
// user data folder being $XDG_DATA_HOME or ~/.local/share, and the path is printed on stderr.
//
// Threads: window thread (it writes the recording, which must not be played or cleared meanwhile).
#pragma once

#include <QString>

class TMidiFile;

// Stops the recording if it is on. When it holds any message, writes it to a new file in the
// recovery folder and returns that file's path; otherwise returns an empty string. Never
// raises (it runs on the way out of the program): a failure is printed on stderr and gives an
// empty string.
QString WriteRecoveryRecording(TMidiFile& rec);

// The folder recovered recordings go to.
QString RecoveryFolder();
