#include "ui_support.h"

#include <QPushButton>
#include <QWidget>

namespace donguri {

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

} // namespace donguri
