#pragma once

// A label that works as a link: underlined, in the desktop's link colour, with a hand cursor. A click, or Enter
// or Space while it has the focus, emits clicked(); screen readers see a link that can be pressed.

#include <QLabel>

class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(QWidget* parent = nullptr);

    // Lets accessibility clients see these labels as links; call once after the application object exists.
    static void installAccessibility();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
