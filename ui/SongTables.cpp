#include "ui/SongTables.h"

#include <stdexcept>

#include <QFile>

int32_t SelectedSongIndex = 0;
QString SelectedSongTitle;
QString SelectedSongResource;

QString SongResourcePath(const QString& resourceName) { return QStringLiteral(":/MIDI/") + resourceName; }

std::string LoadSongResource(const QString& resourceName)
{
    QFile resource(SongResourcePath(resourceName));
    if (resourceName.isEmpty() || !resource.open(QIODevice::ReadOnly))
        throw std::runtime_error("No song resource of type MIDI named \"" + resourceName.toStdString() + "\"");
    const QByteArray bytes = resource.readAll();
    return std::string(bytes.constData(), size_t(bytes.size()));
}
