// The look of the window's popup menus: "宋体" 12 pixels high, a 24-pixel icon column, the
// selected item filled with the system highlight colour and framed in the same colour, the
// system's menu colours everywhere else. Set it on each QMenu (submenus are separate widgets).
// Window thread only, like every style.
#pragma once

#include <QProxyStyle>

class TMenuStyle : public QProxyStyle {
public:
    static constexpr int IconColumnWidth = 24;
    static constexpr int FontPixelSize = 12;
    static constexpr int TextGap = 6;        // between the icon column and the caption
    static constexpr int ArrowWidth = 16;    // the submenu arrow's room at the right
    static constexpr int SeparatorHeight = 7;

    TMenuStyle();

    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;

    // The colour of the icon column: a shade of the menu's own background.
    static QColor IconColumnColor(const QPalette& palette);
};
