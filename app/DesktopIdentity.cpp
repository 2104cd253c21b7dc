#include "app/DesktopIdentity.h"

#include <QGuiApplication>
#include <QIcon>

void ApplyDesktopIdentity()
{
    QGuiApplication::setDesktopFileName(QStringLiteral(TINKLA_APP_ID));
    // The installed theme icon where there is one; the same logo from the resources otherwise
    // (a build tree, or a prefix the icon theme does not search).
    QIcon logo;
    logo.addFile(QStringLiteral(":/layout/Logo.png"));
    logo.addFile(QStringLiteral(":/layout/Logo@2x.png"));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TINKLA_APP_ID), logo));
}
