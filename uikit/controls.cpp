#include "uikit/controls.h"

#include <QAbstractButton>
#include <QLabel>

namespace Controls
{
    QLabel* MakeNavy(QWidget* parent, const char* name)
    {
        QLabel* label = Make<QLabel>(parent, name);
        QPalette navy = label->palette();
        navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
        label->setPalette(navy);
        return label;
    }

    void SetCaption(QAbstractButton* button, const QString& caption)
    {
        button->setText(caption);
        button->setAccessibleName(caption);
    }

    void SetLabel(QLabel* label, QWidget* buddy, const QString& text)
    {
        label->setText(text);
        label->setBuddy(buddy);
        buddy->setAccessibleName(text);
    }
} // namespace Controls
