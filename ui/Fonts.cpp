#include "ui/Fonts.h"

#include <mutex>

#include <QStringList>

namespace {

const QString Fallback = QStringLiteral("WenQuanYi Zen Hei");

}

void InstallFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList song{QStringLiteral("AR PL UMing CN"), Fallback};
        const QStringList kai{QStringLiteral("AR PL UKai CN"), Fallback};
        for (const char* name : {"宋体", "新宋体", "SimSun", "NSimSun"})
            QFont::insertSubstitutions(QString::fromUtf8(name), song);
        for (const char* name : {"楷体", "楷体_GB2312", "KaiTi", "KaiTi_GB2312"})
            QFont::insertSubstitutions(QString::fromUtf8(name), kai);
        for (const char* name : {"黑体", "微软雅黑", "SimHei"})
            QFont::insertSubstitutions(QString::fromUtf8(name), {Fallback});
        // The dialogs' face: small captions in Chinese, so a sans CJK face that stays legible
        // at 11 pixels.
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("WenQuanYi Zen Hei Sharp"), Fallback});
        // Courier New's metric twin; its CJK-less glyphs fall back like any other face.
        QFont::insertSubstitutions(QStringLiteral("Courier New"),
                                   {QStringLiteral("Nimbus Mono PS"), QStringLiteral("DejaVu Sans Mono")});
    });
}

QFont TinklaFont(const QString& family, int pixelSize, bool bold)
{
    InstallFontSubstitutions();
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
