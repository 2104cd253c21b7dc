#include "ui/MenuStyle.h"

#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include "ui/Fonts.h"

namespace {

constexpr int ItemVerticalPadding = 4;
constexpr int RightPadding = 8;

} // namespace

// Fusion draws the same everywhere, so the menus look alike on every platform.
TMenuStyle::TMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void TMenuStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (qobject_cast<QMenu*>(widget))
        widget->setFont(TinklaFont(QStringLiteral("宋体"), FontPixelSize));
}

QColor TMenuStyle::IconColumnColor(const QPalette& palette)
{
    return palette.color(QPalette::Window).darker(108);
}

int TMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    case PM_MenuPanelWidth:
        return 1;
    case PM_SmallIconSize:
        return 16;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int TMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const
{
    // Captions carry no accelerator letters, so nothing is ever underlined.
    if (hint == SH_UnderlineShortcut)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QSize TMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return {IconColumnWidth + 2 * TextGap, SeparatorHeight};
    const QFontMetrics& metrics = item->fontMetrics;
    QString text = item->text;
    const qsizetype tab = text.indexOf(u'\t');
    int width = IconColumnWidth + TextGap + metrics.horizontalAdvance(text.left(tab)) + RightPadding;
    if (tab >= 0)
        width += TextGap * 2 + metrics.horizontalAdvance(text.mid(tab + 1));
    width += ArrowWidth;
    const int height = std::max(metrics.height(), FontPixelSize) + 2 * ItemVerticalPadding;
    return {width, height};
}

void TMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect area = item->rect;
    const QPalette& palette = item->palette;
    const bool enabled = item->state & State_Enabled;
    const bool selected = enabled && (item->state & State_Selected);
    painter->save();

    painter->fillRect(area, palette.color(QPalette::Window));
    painter->fillRect(QRect(area.left(), area.top(), IconColumnWidth, area.height()),
                      IconColumnColor(palette));

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = area.center().y();
        const int left = area.left() + IconColumnWidth + TextGap;
        painter->fillRect(QRect(left, y, area.right() - left - TextGap + 1, 1), palette.color(QPalette::Mid));
        painter->restore();
        return;
    }

    if (selected) {
        const QColor highlight = palette.color(QPalette::Highlight);
        painter->fillRect(area, highlight);
        painter->setPen(highlight);
        painter->drawRect(area.adjusted(0, 0, -1, -1));
    }

    const QColor textColor = !enabled ? palette.color(QPalette::Disabled, QPalette::WindowText)
                             : selected ? palette.color(QPalette::HighlightedText)
                                        : palette.color(QPalette::WindowText);

    if (!item->icon.isNull()) {
        const int side = pixelMetric(PM_SmallIconSize, option, widget);
        const QRect iconRect(area.left() + (IconColumnWidth - side) / 2,
                             area.top() + (area.height() - side) / 2, side, side);
        item->icon.paint(painter, iconRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    }

    painter->setFont(item->font);
    painter->setPen(textColor);
    const qsizetype tab = item->text.indexOf(u'\t');
    const QRect textRect(area.left() + IconColumnWidth + TextGap, area.top(),
                         area.width() - IconColumnWidth - TextGap - ArrowWidth, area.height());
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextHideMnemonic;
    painter->drawText(textRect, flags | Qt::AlignLeft, item->text.left(tab));
    if (tab >= 0)
        painter->drawText(textRect, flags | Qt::AlignRight, item->text.mid(tab + 1));

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOption arrow = *option;
        arrow.rect = QRect(area.right() - ArrowWidth + 1, area.top(), ArrowWidth - 4, area.height());
        arrow.palette.setColor(QPalette::ButtonText, textColor);
        arrow.palette.setColor(QPalette::WindowText, textColor);
        arrow.state = enabled ? State_Enabled : State_None;
        proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
    painter->restore();
}
