// Tinkla: initialise the application, create the keyboard window as the main window, and run
// the event loop until that window closes.
#include "app/DesktopIdentity.h"
#include "app/SkinFolder.h"
#include "app/UBoard.h"
#include "midi/MidiOut.h"
#include "ui/QtNotifyPoster.h"
#include "ui/TerminationNotifier.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ApplyDesktopIdentity();
    TQtNotifyPoster poster;
    // SIGTERM, SIGINT and SIGHUP close the window the ordinary way, after any open dialog, so
    // the program ends with status 0 and its devices closed. The window asks nothing then
    // (TTerminationSignals::QuitRequested). Handled from before the window's start-up: a signal
    // that comes meanwhile is acted on once the event loop runs.
    QWidget* window = nullptr;
    TTerminationNotifier termination([&window](int) {
        TTerminationNotifier::CloseModalDialogs();
        if (window)
            window->close();
    });
    TFBoard FBoard(SystemMidiOutDriver(), poster, FindSkinFolder(TFBoard::ExecutableDir()));
    window = &FBoard;
    FBoard.show();
    const int status = app.exec();
    window = nullptr;
    return status;
}
