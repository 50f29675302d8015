// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui_support.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace donguri {

namespace {
const char *const StandInProperty = "donguriStandsInForAnotherApplication";
} // namespace

QFont japaneseFont(double pointSize)
{
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

void nameControl(QWidget *control, const QString &objectName, const QString &caption)
{
    control->setObjectName(objectName);
    control->setAccessibleName(caption);
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, QRect place)
{
    auto *button = new QPushButton(caption, parent);
    nameControl(button, name, caption);
    button->setGeometry(place);
    return button;
}

void presentWindow(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void standInForAnotherApplication(QWidget *window)
{
    window->setProperty(StandInProperty, true);
}

bool standsInForAnotherApplication(const QWindow *window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [window](const QWidget *widget) {
        return widget->windowHandle() == window && widget->property(StandInProperty).toBool();
    });
}

} // namespace donguri
