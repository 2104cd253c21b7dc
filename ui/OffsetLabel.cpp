#include "ui/OffsetLabel.h"

#include <QLabel>
#include <QPalette>

#include "ui/Fonts.h"

QLabel* CreateOffsetLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblOffset"));
    label->move(628, 200);
    label->setFont(TinklaFont(QStringLiteral("新宋体"), 13, true));
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 128, 0));
    label->setPalette(palette);
    label->hide();
    return label;
}

QString OffsetText(int semitones)
{
    return QStringLiteral("当前移调：") + QString::number(semitones);
}

void ShowOffset(QLabel& label, int semitones)
{
    if (semitones == 0) {
        label.hide();
        return;
    }
    label.setText(OffsetText(semitones));
    label.adjustSize();
    label.show();
}
