#include "ui/linklabel.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace
{
    class AccessibleLink : public QAccessibleWidget
    {
    public:
        explicit AccessibleLink(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link)
        {
            addControllingSignal(QStringLiteral("clicked()"));
        }

        QString text(QAccessible::Text t) const override
        {
            if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
                return static_cast<const LinkLabel*>(widget())->text();
            }
            return QAccessibleWidget::text(t);
        }

        QStringList actionNames() const override
        {
            return {pressAction()};
        }

        void doAction(const QString& actionName) override
        {
            if (actionName == pressAction()) {
                emit static_cast<LinkLabel*>(widget())->clicked();
            }
        }
    };

    QAccessibleInterface* LinkFactory(const QString& className, QObject* object)
    {
        if (className == QLatin1String("LinkLabel") && object && object->isWidgetType()) {
            return new AccessibleLink(static_cast<LinkLabel*>(object));
        }
        return nullptr;
    }
} // namespace

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setForegroundRole(QPalette::Link);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void LinkLabel::installAccessibility()
{
    QAccessible::installFactory(LinkFactory);
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void LinkLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}
