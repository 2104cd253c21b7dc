#include "app/TransportButtons.h"

#include "app/SkinWidgets.h"
#include "ui/Fonts.h"

#include <QLabel>
#include <QWidget>

namespace {

struct TButtonPlace {
    int X;
    const char* Name; // the normal picture: img/<Name>.png, hover img/<Name>_hot.png
    const char* Caption;
};

constexpr std::array<TButtonPlace, TTransportButtons::Count> Places = {{
    {176, "btn_Open", "选曲"},
    {232, "btn_play", "播放"},
    {288, "btn_stop", "终止"},
    {368, "btn_rec", "录音"},
    {424, "btn_recplay", "伴奏"},
    {480, "btn_stop_rec", "停录"},
    {560, "btn_save", "保存"},
}};
constexpr int PictureTop = 168;
constexpr int CaptionTop = 199;

QString HotName(int tag)
{
    return QString::fromUtf8(Places[size_t(tag)].Name) + QStringLiteral("_hot");
}

} // namespace

TTransportButtons::TTransportButtons(QWidget& window, const QString& appDir, const QPixmap& openHot,
                                     std::function<bool()> isPlaying, std::function<bool()> isRecording)
    : FAppDir(appDir)
    , FOpenHot(openHot)
    , FIsPlaying(std::move(isPlaying))
    , FIsRecording(std::move(isRecording))
{
    const QFont captionFont = TinklaFont(QStringLiteral("楷体_GB2312"), 16, true);
    for (int tag = 0; tag < Count; ++tag) {
        const TButtonPlace& place = Places[size_t(tag)];
        Pictures[size_t(tag)] = new TPictureBox(&window, {place.X, PictureTop, 48, 29});
        THotArea* area = new THotArea(&window, {place.X, PictureTop, 49, 29}, tag);
        area->OnMouseEnter = [this](THotArea* sender) { MouseEnter(sender->Tag()); };
        area->OnMouseLeave = [this](THotArea* sender) { MouseLeave(sender->Tag()); };
        area->OnClick = [this](THotArea* sender) {
            if (OnClick)
                OnClick(sender->Tag());
        };
        HotAreas[size_t(tag)] = area;
        Captions[size_t(tag)] = NewSkinLabel(&window, {place.X + 9, CaptionTop, 34, 16}, captionFont,
                                             QString::fromUtf8(place.Caption));
        Captions[size_t(tag)]->setAlignment(Qt::AlignCenter);
    }
}

std::vector<TSkinProblem> TTransportButtons::Load(qreal devicePixelRatio)
{
    FDensity = devicePixelRatio;
    std::vector<TSkinProblem> problems;
    const auto check = [&](const QString& path) {
        try {
            return LoadSkinPicture(path, devicePixelRatio);
        } catch (const ESkinError& error) {
            problems.push_back(error.Problem);
            return QPixmap();
        }
    };
    for (int tag = 0; tag < Count; ++tag) {
        const QString name = QString::fromUtf8(Places[size_t(tag)].Name);
        Pictures[size_t(tag)]->SetPicture(check(QStringLiteral(":/layout/") + name + QStringLiteral(".png")));
        // The song button's hover picture is the window's, loaded with the other held ones.
        QStringList files{name};
        if (tag != Open)
            files << HotName(tag);
        if (tag == Play || tag == Rec)
            files << name + QStringLiteral("_on");
        for (const QString& file : files)
            check(FAppDir + QStringLiteral("img/") + file + QStringLiteral(".png"));
    }
    return problems;
}

void TTransportButtons::Show(int tag, const QString& name)
{
    try {
        Pictures[size_t(tag)]->SetPicture(
            LoadSkinPicture(FAppDir + QStringLiteral("img/") + name + QStringLiteral(".png"), FDensity));
    } catch (const ESkinError&) {
    }
}

void TTransportButtons::MouseEnter(int tag)
{
    switch (tag) {
    case Open:
        if (!FIsPlaying())
            Pictures[Open]->SetPicture(FOpenHot);
        break;
    case Play:
        Show(Play, FIsPlaying() ? QStringLiteral("btn_play_on") : QStringLiteral("btn_play_hot"));
        break;
    case Rec:
        Show(Rec, FIsRecording() ? QStringLiteral("btn_rec_on") : QStringLiteral("btn_rec_hot"));
        break;
    case Stop:
    case RecPlay:
    case Stop1:
    case Save:
        Show(tag, HotName(tag));
        break;
    default:
        break;
    }
}

void TTransportButtons::MouseLeave(int tag)
{
    switch (tag) {
    case Play:
        ShowPlay(FIsPlaying());
        break;
    case Rec:
        ShowRec(FIsRecording());
        break;
    case Open:
    case Stop:
    case RecPlay:
    case Stop1:
    case Save:
        Show(tag, QString::fromUtf8(Places[size_t(tag)].Name));
        break;
    default:
        break;
    }
}

void TTransportButtons::ShowPlay(bool on)
{
    Show(Play, on ? QStringLiteral("btn_play_on") : QStringLiteral("btn_play"));
}

void TTransportButtons::ShowRec(bool on)
{
    Show(Rec, on ? QStringLiteral("btn_rec_on") : QStringLiteral("btn_rec"));
}
