// The skin pictures the window reads from the img folder beside the program, and the
// pictures compiled in with its layout. Window thread only (QPixmap).
#pragma once

#include <QPixmap>
#include <QString>

#include <stdexcept>
#include <vector>

// One picture file that could not be read, and why.
struct TSkinProblem {
    QString Path;
    QString Reason;
};

// Reads `path`, or its name@2x twin when the screen is that dense and the twin exists.
// Throws ESkinError when neither can be decoded.
QPixmap LoadSkinPicture(const QString& path, qreal devicePixelRatio);

class ESkinError : public std::runtime_error {
public:
    ESkinError(const QString& path, const QString& reason);
    TSkinProblem Problem;
};

// The eleven pictures held for the window's whole life, in the order they are loaded.
struct TSkinImages {
    QPixmap PngClose;
    QPixmap PngCloseHot;
    QPixmap PngBlackKeyUp;
    QPixmap PngBlackKeyDown;
    QPixmap PngOpenHot;
    QPixmap PngKeyUp;
    QPixmap PngKeyUpL;
    QPixmap PngKeyUpR;
    QPixmap PngKeyDown;
    QPixmap PngKeyDownL;
    QPixmap PngKeyDownR;

    // Loads every picture from `appDir` (with its trailing separator). A picture that fails
    // stays empty and is listed in the result, so one bad file does not hide the others.
    std::vector<TSkinProblem> Load(const QString& appDir, qreal devicePixelRatio);
};
