#include "ui/RecoveryRecording.h"

#include "midi/MidiFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <exception>

namespace {

// A name not taken yet: the time of day, and a number after it for a second one in the same second.
QString FreePath(const QDir& folder)
{
    const QString stem = "rec-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString path = folder.filePath(stem + ".mid");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(stem + "-" + QString::number(n) + ".mid");
    return path;
}

void PrintError(const QString& text) { std::fprintf(stderr, "tinkla: %s\n", text.toLocal8Bit().constData()); }

} // namespace

QString RecoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/tinkla/recovered";
}

QString WriteRecoveryRecording(TMidiFile& rec)
{
    rec.StopRecording();
    // Track 0 only ever holds its End of Track; every other track exists because a message
    // was recorded on its channel.
    if (rec.NumberOfTracks() <= 1)
        return {};
    const QDir folder(RecoveryFolder());
    if (!folder.mkpath(".")) {
        PrintError("the unsaved recording is lost: cannot create " + folder.path());
        return {};
    }
    const QString path = FreePath(folder);
    try {
        rec.WriteFile(QFile::encodeName(path).toStdString());
    } catch (const std::exception& error) {
        PrintError("the unsaved recording is lost: " + QString::fromLocal8Bit(error.what()));
        return {};
    }
    std::fprintf(stderr, "tinkla: the unsaved recording was written to %s\n", QFile::encodeName(path).constData());
    return path;
}
