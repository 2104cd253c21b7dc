#include "ui/USelectMidi.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>

#include "ui/DialogForm.h"
#include "ui/Fonts.h"
#include "ui/SongTables.h"

namespace {

// Title, 18 blanks, age advice.
const char* const ItemTexts[SongCount] = {
    "小星星                  适合3-4岁儿童弹奏",
    "小燕子                  适合4-5岁儿童弹奏",
};


} // namespace

TFSelectMidi::TFSelectMidi(QWidget* parent) : QDialog(parent)
{
    SetUpFixedDialog(*this, QString::fromUtf8("选择要弹奏的歌曲"), QSize(ClientWidth, ClientHeight), FormColor,
                     TinklaFont(QStringLiteral("Courier New"), 16));

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

    btnOk = NewDialogButton(this, "确定", QRect(168, 256, 75, 25));
    btnCancel = NewDialogButton(this, "取消", QRect(368, 256, 75, 25));
    connect(btnOk, &QPushButton::clicked, this, [this] {
        btnOkClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    MidiList->setFocus();
    CentreOnScreen(*this);
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
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
