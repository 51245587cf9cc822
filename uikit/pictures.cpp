#include "uikit/pictures.h"

#include <QApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace
{
    // The normal form and the hot form, a lighter copy.
    void AddForms(QIcon& icon, const QPixmap& normal)
    {
        QPixmap hot = normal;
        QPainter painter(&hot);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(hot.rect(), QColor(255, 255, 255, 70));
        painter.end();
        icon.addPixmap(normal, QIcon::Normal);
        icon.addPixmap(hot, QIcon::Active);
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

    QIcon ImageIcon(const QString& resource, int extent)
    {
        QIcon icon;
        for (qreal scale : {1.0, 2.0}) {
            AddForms(icon, Render(resource, QSize(extent, extent), scale));
        }
        return icon;
    }

    QIcon ThemeIcon(const QString& themeName, QStyle::StandardPixmap fallback, int extent)
    {
        QIcon source = QIcon::fromTheme(themeName);
        if (source.isNull()) {
            source = QApplication::style()->standardIcon(fallback);
        }
        QIcon icon;
        for (qreal scale : {1.0, 2.0}) {
            AddForms(icon, source.pixmap(QSize(extent, extent), scale));
        }
        return icon;
    }
} // namespace Pictures
