// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop_integration.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace donguri {

void introduceToDesktop(QApplication &app)
{
    // The name keeps the folders of settings and data (~/.config/donguri, ~/.local/share/donguri).
    // No display name is set: on X11 Qt would append it to every window's title, and each window
    // is to show exactly its caption. The desktop entry names the program in menus and task bars.
    QApplication::setApplicationName(QStringLiteral("donguri"));
    QApplication::setDesktopFileName(QStringLiteral("org.donguri.Donguri"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.donguri.Donguri")));
    installQtJapanese(app);
}

bool installQtJapanese(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace donguri
