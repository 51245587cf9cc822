#pragma once

// The small window shown while a batch runs: a bar that advances with every locked file and a label.
// It has no buttons and no handlers; the batch sets the range and the position.

#include <QDialog>

class QLabel;
class QProgressBar;

class TFormProgressBar : public QDialog
{
    Q_OBJECT

public:
    explicit TFormProgressBar(QWidget* parent = nullptr);

    QProgressBar* ProgressBarCreate = nullptr;
    QLabel* LblCreating = nullptr;
};

extern TFormProgressBar* FormProgressBar;
