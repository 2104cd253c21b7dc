// Tinkla: initialise the application, create the keyboard window as the main window, and run
// the event loop until that window closes.
#include "app/DesktopIdentity.h"
#include "app/SkinFolder.h"
#include "app/UBoard.h"
#include "midi/MidiOut.h"
#include "ui/QtNotifyPoster.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ApplyDesktopIdentity();
    TQtNotifyPoster poster;
    TFBoard FBoard(SystemMidiOutDriver(), poster, FindSkinFolder(TFBoard::ExecutableDir()));
    FBoard.show();
    return app.exec();
}
