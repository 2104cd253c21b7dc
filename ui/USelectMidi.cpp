#include "ui/USelectMidi.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include "ui/Fonts.h"
#include "ui/SongTables.h"

namespace {

// Title, 18 blanks, age advice.
const char* const ItemTexts[SongCount] = {
    "小星星                  适合3-4岁儿童弹奏",
    "小燕子                  适合4-5岁儿童弹奏",
};

QPushButton* MakeButton(QWidget* parent, const char* caption, const QRect& geometry)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

TFSelectMidi::TFSelectMidi(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("选择要弹奏的歌曲"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    setFont(TinklaFont(QStringLiteral("Courier New"), 16));
    QPalette formPalette = palette();
    formPalette.setColor(QPalette::Window, QColor(FormColor));
    setPalette(formPalette);
    setAutoFillBackground(true);

    MidiList = new QListWidget(this);
    MidiList->setGeometry(16, 16, 449, 217);
    MidiList->setSelectionMode(QAbstractItemView::SingleSelection);
    MidiList->setFont(TinklaFont(QStringLiteral("Courier New"), 16));
    QPalette listPalette = MidiList->palette();
    listPalette.setColor(QPalette::Base, QColor(ListColor));
    listPalette.setColor(QPalette::Text, QColor(ListTextColor));
    MidiList->setPalette(listPalette);
    for (const char* text : ItemTexts) {
        auto* item = new QListWidgetItem(QString::fromUtf8(text), MidiList);
        item->setSizeHint(QSize(0, ItemHeight));
    }
    MidiList->setCurrentRow(-1);
    MidiList->clearSelection();
    MidiList->viewport()->installEventFilter(this);

    btnOk = MakeButton(this, "确定", QRect(168, 256, 75, 25));
    btnCancel = MakeButton(this, "取消", QRect(368, 256, 75, 25));
    connect(btnOk, &QPushButton::clicked, this, [this] {
        btnOkClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    MidiList->setFocus();
    if (!parent)
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
}

int TFSelectMidi::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = MidiList->selectedItems();
    return selected.isEmpty() ? -1 : MidiList->row(selected.first());
}

void TFSelectMidi::MidiListDblClick()
{
    if (SelectedRow() >= 0)
        btnOk->click();
}

void TFSelectMidi::btnOkClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    SelectedSongIndex = row;
    SelectedSongTitle = MidiList->item(row)->text();
    SelectedSongResource = QString::fromUtf8(SongResourceNames[size_t(row)].data(),
                                             qsizetype(SongResourceNames[size_t(row)].size()));
}

bool TFSelectMidi::eventFilter(QObject* watched, QEvent* event)
{
    // The first press of a double click has already selected the item under the pointer.
    if (watched == MidiList->viewport() && event->type() == QEvent::MouseButtonDblClick)
        MidiListDblClick();
    return QDialog::eventFilter(watched, event);
}

void TFSelectMidi::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
