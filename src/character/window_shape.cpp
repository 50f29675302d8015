#include "window_shape.h"

#include <QBitmap>
#include <QPainter>
#include <QWidget>

namespace donguri {

void applyShapeMask(QWidget *window, const QPainterPath &outline)
{
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::black);
    painter.drawPath(outline);
    painter.end();
    applyShapeMask(window, image);
}

void applyShapeMask(QWidget *window, const QImage &frame)
{
    if (frame.isNull())
        return;
    const QImage alpha = frame.createAlphaMask();
    QBitmap mask = QBitmap::fromImage(alpha);
    if (frame.devicePixelRatio() != 1.0)
        mask = QBitmap::fromPixmap(mask.scaled(window->size()));
    window->setMask(mask);
}

} // namespace donguri
