#include "app/SkinFolder.h"

#include <QDir>
#include <QFileInfo>

const QString InstalledDataFromExecutable = QStringLiteral(TINKLA_DATA_FROM_BIN);

namespace {

bool HoldsImg(const QString& folder)
{
    return QFileInfo(folder + QStringLiteral("img")).isDir();
}

QString WithSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QString FindSkinFolder(const QString& executableDir, const QString& dataFromExecutable)
{
    const QString beside = WithSeparator(executableDir);
    if (HoldsImg(beside)) {
        return beside;
    }
    const QString installed = WithSeparator(QDir::cleanPath(beside + dataFromExecutable));
    if (HoldsImg(installed)) {
        return installed;
    }
    return beside;
}
