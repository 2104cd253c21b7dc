#include "ui/BoardMenu.h"

#include <stdexcept>
#include <string>

#include <QAction>
#include <QMenu>

#include "ui/Tamber.h"

namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QAction* AddItem(QMenu* menu, const QString& caption, const char* name)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

} // namespace

QString InstrumentCaption(int program)
{
    if (program < 0 || program >= TamberCount)
        throw std::out_of_range("program number " + std::to_string(program) + " is not 0..127");
    switch (program) {
    case 52:
        return QStringLiteral("人声合唱\"啊\"");
    case 53:
        return QStringLiteral("人声\"嘟\"");
    case 55:
        return QStringLiteral(" 管弦乐敲击齐奏");
    case 113:
        return QStringLiteral("agogo");
    default:
        return FromUtf8(TamberTable[program].ChineseName);
    }
}

TBoardMenu::TBoardMenu(QObject* parent)
    : QObject(parent), FStyle(std::make_unique<TMenuStyle>()), FPopupMenu1(std::make_unique<QMenu>())
{
    QMenu* menu = FPopupMenu1.get();
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    menu->setStyle(FStyle.get());

    NHelp = AddItem(menu, QStringLiteral("帮助"), "NHelp");
    menu->addSeparator();
    NOpen = AddItem(menu, QStringLiteral("打开其他音乐文件..."), "NOpen");
    NTune = AddItem(menu, QStringLiteral("调整音乐文件..."), "NTune");
    AddPlaceholderSubmenu(menu, QStringLiteral("播放"), "N20",
                          {"开始播放", "暂停播放", "继续播放", "终止播放"}, N20);
    AddPlaceholderSubmenu(menu, QStringLiteral("录音"), "N119",
                          {"开始录音", "暂停录音", "继续录音", "停止录音"}, N119);
    AddPlaceholderSubmenu(menu, QStringLiteral("录/放同步控制"), "N120",
                          {"开始播放和录音", "暂停播放和录音", "继续播放和录音", "停止播放和录音"}, N120);
    menu->addSeparator();
    QMenu* select = AddSubmenu(menu, QStringLiteral("选择乐器"), "NSelect");
    NSelect = select->menuAction();
    BuildInstruments(select);
    QMenu* offset = AddSubmenu(menu, QStringLiteral("升降调"), "nOffset");
    nOffset = offset->menuAction();
    BuildTranspositions(offset);
    N133 = AddItem(menu, QStringLiteral("定义乐器快捷键..."), "N133");
    menu->addSeparator();
    NExit = AddItem(menu, QStringLiteral("退出"), "NExit");

    connect(NOpen, &QAction::triggered, this, &TBoardMenu::OpenClicked);
    connect(NTune, &QAction::triggered, this, &TBoardMenu::TuneClicked);
    connect(NExit, &QAction::triggered, this, &TBoardMenu::ExitClicked);
}

TBoardMenu::~TBoardMenu() = default;

QMenu* TBoardMenu::AddSubmenu(QMenu* parent, const QString& caption, const char* name)
{
    QMenu* submenu = parent->addMenu(caption);
    submenu->setObjectName(QString::fromLatin1(name) + QStringLiteral("Menu"));
    submenu->menuAction()->setObjectName(QString::fromLatin1(name));
    submenu->setStyle(FStyle.get());
    return submenu;
}

void TBoardMenu::AddPlaceholderSubmenu(QMenu* parent, const QString& caption, const char* name,
                                       std::initializer_list<const char*> items, QAction*& item)
{
    QMenu* submenu = AddSubmenu(parent, caption, name);
    for (const char* text : items)
        submenu->addAction(QString::fromUtf8(text));
    item = submenu->menuAction();
}

void TBoardMenu::BuildInstruments(QMenu* select)
{
    for (int group = 0; group < GroupCount; ++group) {
        const int first = group * TambersPerGroup;
        QMenu* groupMenu = select->addMenu(FromUtf8(TamberTable[first].GroupName));
        groupMenu->setStyle(FStyle.get());
        for (int program = first; program < first + TambersPerGroup; ++program) {
            QAction* item = groupMenu->addAction(InstrumentCaption(program));
            item->setData(program);
            connect(item, &QAction::triggered, this, [this, program] { emit InstrumentClicked(program); });
        }
    }
    NSelectDefault = select->actions().first()->menu()->actions().first();
    NSelectDefault->setObjectName(QStringLiteral("NSelectDefault"));
}

void TBoardMenu::BuildTranspositions(QMenu* offset)
{
    auto add = [this, offset](const QString& caption, int semitones) {
        QAction* item = offset->addAction(caption);
        item->setData(semitones);
        connect(item, &QAction::triggered, this, [this, semitones] { emit OffsetClicked(semitones); });
    };
    for (int semitones = 1; semitones <= MaxTranspose; ++semitones)
        add(QStringLiteral("+%1").arg(semitones), semitones);
    add(QStringLiteral("不移调"), 0);
}

int TBoardMenu::Tag(const QAction* item)
{
    bool ok = false;
    const int tag = item->data().toInt(&ok);
    return ok ? tag : -1;
}

void TBoardMenu::Popup(const QPoint& globalPoint)
{
    QMenu* menu = FPopupMenu1.get();
    menu->popup(QPoint(globalPoint.x() - menu->sizeHint().width(), globalPoint.y()));
}
