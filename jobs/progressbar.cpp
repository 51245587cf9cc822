#include "jobs/progressbar.h"

#include <QFont>
#include <QLabel>
#include <QProgressBar>

TFormProgressBar* FormProgressBar = nullptr;

TFormProgressBar::TFormProgressBar(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FormProgressBar"));
    setWindowTitle(QStringLiteral("Processing..."));
    setFixedSize(215, 60);
    move(267, 245);

    ProgressBarCreate = new QProgressBar(this);
    ProgressBarCreate->setObjectName(QStringLiteral("ProgressBarCreate"));
    ProgressBarCreate->setAccessibleName(QStringLiteral("Processing..."));
    ProgressBarCreate->setGeometry(8, 14, 199, 11);
    ProgressBarCreate->setTextVisible(false);

    LblCreating = new QLabel(QStringLiteral("Processing..."), this);
    LblCreating->setObjectName(QStringLiteral("LblCreating"));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    LblCreating->setFont(font);
    LblCreating->move(64, 38);
    LblCreating->adjustSize();
}
