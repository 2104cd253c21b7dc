#include "app/SkinImages.h"

#include <QFileInfo>
#include <QImageReader>

#include <utility>

namespace {

constexpr qreal HighDensity = 1.5;

QString DenseTwin(const QString& path)
{
    const qsizetype dot = path.lastIndexOf('.');
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

} // namespace

ESkinError::ESkinError(const QString& path, const QString& reason)
    : std::runtime_error((path + QStringLiteral(": ") + reason).toStdString())
    , Problem{path, reason}
{
}

QPixmap LoadSkinPicture(const QString& path, qreal devicePixelRatio)
{
    if (devicePixelRatio >= HighDensity) {
        const QString twin = DenseTwin(path);
        if (QFileInfo::exists(twin)) {
            QImage dense = QImageReader(twin).read();
            if (!dense.isNull()) {
                dense.setDevicePixelRatio(2);
                return QPixmap::fromImage(std::move(dense));
            }
        }
    }
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        throw ESkinError(path, reader.errorString());
    }
    return QPixmap::fromImage(image);
}

std::vector<TSkinProblem> TSkinImages::Load(const QString& appDir, qreal devicePixelRatio)
{
    const std::pair<QPixmap*, const char*> files[] = {
        {&PngClose, "img/Close.png"},       {&PngCloseHot, "img/CloseHot.png"},
        {&PngBlackKeyUp, "img/bkeyup.png"}, {&PngBlackKeyDown, "img/bkeydown.png"},
        {&PngOpenHot, "img/btn_Open_hot.png"},
        {&PngKeyUp, "img/keyup.png"},       {&PngKeyUpL, "img/keyupl.png"},
        {&PngKeyUpR, "img/keyupr.png"},     {&PngKeyDown, "img/keydown.png"},
        {&PngKeyDownL, "img/keydownl.png"}, {&PngKeyDownR, "img/keydownr.png"},
    };
    std::vector<TSkinProblem> problems;
    for (const auto& [picture, name] : files) {
        try {
            *picture = LoadSkinPicture(appDir + QLatin1String(name), devicePixelRatio);
        } catch (const ESkinError& error) {
            problems.push_back(error.Problem);
        }
    }
    return problems;
}
