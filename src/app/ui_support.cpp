#include "ui_support.h"

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

} // namespace donguri
