#include "Pictures.h"

#include "Resources.h"

#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <cmath>

QPixmap RenderPicture(int resourceId, int side, qreal devicePixelRatio)
{
    const int pixels = int(std::lround(side * devicePixelRatio));
    if (pixels <= 0)
        return {};
    const QString key = QStringLiteral("quorvex-picture-%1-%2").arg(resourceId).arg(pixels);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        QSvgRenderer renderer(ResourcePath(resourceId));
        if (!renderer.isValid())
            return {};
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
        painter.end();
        pixmap = QPixmap::fromImage(std::move(image));
        QPixmapCache::insert(key, pixmap);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
