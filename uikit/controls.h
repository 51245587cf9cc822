#pragma once

// The small steps every window takes when it builds its controls: the object name tests and screen readers
// find, the caption or label that doubles as the accessible name, and the navy of the length hints.

#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace Controls
{
    // A new child of parent with the given object name.
    template <typename T> T* Make(QWidget* parent, const char* name)
    {
        T* widget = new T(parent);
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    }

    // A label in navy, the colour of the password length hints.
    QLabel* MakeNavy(QWidget* parent, const char* name);

    // The caption, which is also the button's accessible name.
    void SetCaption(QAbstractButton* button, const QString& caption);

    // The label's text, which also names its buddy (an edit or combo box) for screen readers.
    void SetLabel(QLabel* label, QWidget* buddy, const QString& text);
} // namespace Controls
