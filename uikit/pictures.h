#pragma once

// The program's pictures: its own drawings (compiled in as resources) and the tool-bar and button images,
// which come from the desktop's icon theme with Qt's standard images as the fallback.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStyle>

namespace Pictures
{
    // Draws one of the program's own SVG resources (":/images/logo.svg") at a logical size for a screen with
    // the given device pixel ratio; a null pixmap when the resource cannot be drawn.
    QPixmap Render(const QString& resource, const QSize& size, qreal devicePixelRatio);

    // The program's icon at the usual icon sizes.
    QIcon ProgramIcon();

    // One of the program's own SVG images at extent x extent pixels, in its normal form and a lighter "hot"
    // form shown under the mouse (QIcon::Active).
    QIcon ImageIcon(const QString& resource, int extent);

    // An image of the desktop's icon theme, or Qt's standard image when the theme lacks it, in the same two forms.
    QIcon ThemeIcon(const QString& themeName, QStyle::StandardPixmap fallback, int extent);
} // namespace Pictures
