// Writes every skin picture into a Tinkla source tree: the files the window reads from img/
// beside the program, and the pictures compiled in with the window layout (resources/layout/).
// Each picture is written at 1x and, as name@2x, at 2x for high-density screens. Also writes
// the application icon in the icon theme's usual sizes (data/icons/tinkla-<size>.png).
#include "tools/skin/SkinPainter.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TPicture {
    QString Path; // relative to the source tree, without the density suffix
    std::function<QImage(int scale)> Draw;
};

struct TButtonFiles {
    TButtonIcon Icon;
    QString Name;
    bool HasOnLook;
};

std::vector<TPicture> Pictures()
{
    std::vector<TPicture> pictures = {
        {"img/Close.png", [](int s) { return DrawCloseButton(false, s); }},
        {"img/CloseHot.png", [](int s) { return DrawCloseButton(true, s); }},
        {"img/bkeyup.png", [](int s) { return DrawBlackKey(false, s); }},
        {"img/bkeydown.png", [](int s) { return DrawBlackKey(true, s); }},
        {"img/keyup.png", [](int s) { return DrawWhiteKey(TWhiteKeyShape::Middle, false, s); }},
        {"img/keyupl.png", [](int s) { return DrawWhiteKey(TWhiteKeyShape::Left, false, s); }},
        {"img/keyupr.png", [](int s) { return DrawWhiteKey(TWhiteKeyShape::Right, false, s); }},
        {"img/keydown.png", [](int s) { return DrawWhiteKey(TWhiteKeyShape::Middle, true, s); }},
        {"img/keydownl.png", [](int s) { return DrawWhiteKey(TWhiteKeyShape::Left, true, s); }},
        {"img/keydownr.png", [](int s) { return DrawWhiteKey(TWhiteKeyShape::Right, true, s); }},
        {"resources/layout/Background.jpg", [](int s) { return DrawBackground(s); }},
        {"resources/layout/Logo.png", [](int s) { return DrawLogo(s); }},
        {"resources/layout/Close.png", [](int s) { return DrawCloseButton(false, s); }},
        {"resources/layout/LedGlass.png", [](int s) { return DrawLedGlass(s); }},
        {"resources/layout/NoteIcon.png", [](int s) { return DrawNoteIcon(false, s); }},
        {"resources/layout/NoteIconSelected.png", [](int s) { return DrawNoteIcon(true, s); }},
    };
    const std::vector<TButtonFiles> buttons = {
        {TButtonIcon::Open, "btn_Open", false},      {TButtonIcon::Play, "btn_play", true},
        {TButtonIcon::Stop, "btn_stop", false},      {TButtonIcon::Rec, "btn_rec", true},
        {TButtonIcon::RecPlay, "btn_recplay", false}, {TButtonIcon::StopRec, "btn_stop_rec", false},
        {TButtonIcon::Save, "btn_save", false},
    };
    for (const TButtonFiles& button : buttons) {
        const TButtonIcon icon = button.Icon;
        auto look = [icon](TButtonLook l) { return [icon, l](int s) { return DrawTransportButton(icon, l, s); }; };
        pictures.push_back({"img/" + button.Name + ".png", look(TButtonLook::Normal)});
        pictures.push_back({"img/" + button.Name + "_hot.png", look(TButtonLook::Hot)});
        if (button.HasOnLook) {
            pictures.push_back({"img/" + button.Name + "_on.png", look(TButtonLook::On)});
        }
        pictures.push_back({"resources/layout/" + button.Name + ".png", look(TButtonLook::Normal)});
    }
    return pictures;
}

// The sizes desktops look for in the hicolor icon theme; data/CMakeLists.txt installs the same.
constexpr int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString WithDensity(const QString& path, int scale)
{
    if (scale == 1) {
        return path;
    }
    const qsizetype dot = path.lastIndexOf('.');
    return path.left(dot) + QString("@%1x").arg(scale) + path.mid(dot);
}

void Write(const QDir& root, const TPicture& picture, int scale)
{
    const QString path = root.filePath(WithDensity(picture.Path, scale));
    if (!QDir().mkpath(QFileInfo(path).path())) {
        throw std::runtime_error("cannot create the folder of " + path.toStdString());
    }
    // JPEG at high quality: the background is the only opaque picture and must stay soft.
    const int quality = path.endsWith(".jpg") ? 92 : -1;
    if (!picture.Draw(scale).save(path, nullptr, quality)) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Drawing needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin-generator <Tinkla source dir>\n");
        return 2;
    }
    try {
        const QDir root(QString::fromLocal8Bit(argv[1]));
        for (const TPicture& picture : Pictures()) {
            for (const int scale : {1, 2}) {
                Write(root, picture, scale);
            }
        }
        for (const int size : IconSizes) {
            Write(root, {QString("data/icons/tinkla-%1.png").arg(size), [size](int) { return DrawLogoIcon(size); }}, 1);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "skin-generator: %s\n", error.what());
        return 1;
    }
    return 0;
}
