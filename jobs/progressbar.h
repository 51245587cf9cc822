#pragma once

// The small window shown while a batch runs: a bar that advances with every locked file and a label. The batch
// sets the range and the position. Before the files of a strong run the window shows the key derivation, which
// the user may stop with Cancel (or Escape, or the close box); the files themselves cannot be stopped.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TFormProgressBar : public QDialog
{
    Q_OBJECT

public:
    explicit TFormProgressBar(QWidget* parent = nullptr);

    QProgressBar* ProgressBarCreate = nullptr;
    QLabel* LblCreating = nullptr;
    QPushButton* BtnCancel = nullptr; // shown only while the keys are derived

    // The key derivation: the label names it, the bar counts the keys, Cancel is shown and takes the focus.
    void showDerivation(int keyCount);
    // The files: the label says "Processing...", the bar counts the files, Cancel is hidden.
    void showFiles(int fileCount);
    // The user asked to stop the key derivation.
    bool cancelRequested() const
    {
        return m_cancelRequested;
    }

public slots:
    // Escape, the close box and Cancel only ask to stop: the batch closes the window when its run ends.
    void reject() override;

private:
    void setLabel(const QString& text);

    bool m_cancelRequested = false;
};

extern TFormProgressBar* FormProgressBar;
