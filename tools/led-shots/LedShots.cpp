// Renders docs pictures of the LED panel and the popup menu, offscreen, so they can be
// regenerated after a change of look.
#include <cstdio>
#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "ui/BoardMenu.h"
#include "ui/Tamber.h"
#include "ui/ULedFrame.h"

namespace {

void Save(const QImage& image, const QString& path)
{
    if (!image.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
    std::printf("%s\n", qPrintable(path));
}

void RenderPanel(const QString& dir)
{
    TFrameLed led;
    led.resize(212, 113);
    led.ResetPanel();
    led.SetTamberText(InstrumentLine({0}, 0));
    led.SetSongLength(60000);
    led.SetSongPosition(24000);
    const uint8_t notes[16] = {60, 72, 48, 96, 84, 40, 127, 66, 55, 36, 100, 0, 90, 64, 78, 110};
    for (int channel = 0; channel < 16; ++channel) {
        TMidiEvent event;
        event.status = uint8_t(MidiNoteOn + channel);
        event.data1 = notes[channel];
        event.data2 = 100;
        led.ShowMidiEvent(&event);
    }
    led.DrawPanel();
    const QImage panel = led.grab().toImage();
    Save(panel.scaled(panel.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation), dir + "/led-panel.png");
}

// Opens the chain of submenus down to the first item of `group` and paints every open menu
// where it stands on the screen.
void RenderMenu(const QString& dir, int group)
{
    TBoardMenu menu;
    QMenu* top = menu.PopupMenu1();
    menu.Popup(QPoint(420, 40));
    QTest::qWait(50);
    QMenu* select = menu.NSelect->menu();
    top->setActiveAction(menu.NSelect);
    QTest::qWait(400);
    QAction* groupItem = select->actions().at(group);
    select->setActiveAction(groupItem);
    QTest::qWait(400);
    groupItem->menu()->setActiveAction(groupItem->menu()->actions().at(4));
    QTest::qWait(50);

    QRect area;
    const QMenu* open[] = {top, select, groupItem->menu()};
    for (const QMenu* m : open) {
        if (!m->isVisible())
            throw std::runtime_error("menu " + m->title().toStdString() + " did not open");
        area |= m->geometry();
    }
    QImage image(area.size().grownBy(QMargins(0, 0, 8, 8)), QImage::Format_RGB32);
    image.fill(QColor(226, 236, 246));
    QPainter painter(&image);
    for (const QMenu* m : open)
        painter.drawPixmap(m->geometry().topLeft() - area.topLeft(), const_cast<QMenu*>(m)->grab());
    painter.end();
    Save(image, dir + "/popup-menu.png");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: led-shots <output dir>\n");
        return 2;
    }
    try {
        const QString dir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
        RenderPanel(dir);
        RenderMenu(dir, 6);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "led-shots: %s\n", error.what());
        return 1;
    }
    return 0;
}
