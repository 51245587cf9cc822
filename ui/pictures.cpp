#include "ui/pictures.h"

#include <QApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace
{
    QPixmap Lighter(const QPixmap& normal)
    {
        QPixmap hot = normal;
        QPainter painter(&hot);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(hot.rect(), QColor(255, 255, 255, 70));
        return hot;
    }
} // namespace

namespace Pictures
{
    QPixmap Render(const QString& resource, const QSize& size, qreal devicePixelRatio)
    {
        QSvgRenderer renderer(resource);
        if (!renderer.isValid() || size.isEmpty()) {
            return {};
        }
        QPixmap pixmap(size * devicePixelRatio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        pixmap.setDevicePixelRatio(devicePixelRatio);
        return pixmap;
    }

    QIcon ProgramIcon()
    {
        QIcon icon;
        for (int extent : {16, 22, 24, 32, 48, 64, 128, 256}) {
            icon.addPixmap(Render(QStringLiteral(":/images/quillgate.svg"), QSize(extent, extent), 1.0));
        }
        return icon;
    }

    QIcon ToolIcon(const QString& themeName, QStyle::StandardPixmap fallback, int extent)
    {
        QIcon source = QIcon::fromTheme(themeName);
        if (source.isNull()) {
            source = QApplication::style()->standardIcon(fallback);
        }
        QIcon icon;
        for (int scale : {1, 2}) {
            const QPixmap normal = source.pixmap(QSize(extent, extent), scale);
            icon.addPixmap(normal, QIcon::Normal);
            icon.addPixmap(Lighter(normal), QIcon::Active);
        }
        return icon;
    }
} // namespace Pictures
