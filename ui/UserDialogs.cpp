#include "ui/UserDialogs.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString MidiFilter = QStringLiteral("*.mid");

} // namespace

void TQtUserDialogs::Inform(const QString& text)
{
    QMessageBox::information(FOwner, QStringLiteral("信息"), text);
}

bool TQtUserDialogs::Ask(const QString& text)
{
    return QMessageBox::question(FOwner, QStringLiteral("问"), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void TQtUserDialogs::Warn(const QString& text)
{
    QMessageBox::warning(FOwner, QStringLiteral("注意"), text);
}

void TQtUserDialogs::ShowError(const QString& text)
{
    QMessageBox::critical(FOwner, QStringLiteral("错误"), text);
}

QString TQtUserDialogs::OpenMidiFileName()
{
    return QFileDialog::getOpenFileName(FOwner, QStringLiteral("打开其他音乐文件"), QString(), MidiFilter);
}

QString TQtUserDialogs::SaveRecordingFileName()
{
    QFileDialog dialog(FOwner, QStringLiteral("保存录音文件"), QDir::home().filePath(QStringLiteral("rec.mid")),
                       MidiFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mid"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

int TQtUserDialogs::Exec(QDialog& dialog)
{
    return dialog.exec();
}
