#include "jobs/progressbar.h"

#include <QFont>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TFormProgressBar* FormProgressBar = nullptr;

namespace
{
    constexpr int s_width = 215;
    constexpr int s_height = 60;
    // Room below the label for Cancel while the keys are derived.
    constexpr int s_cancelHeight = 35;
} // namespace

TFormProgressBar::TFormProgressBar(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FormProgressBar"));
    setWindowTitle(QStringLiteral("Processing..."));
    setFixedSize(s_width, s_height);
    move(267, 245);

    ProgressBarCreate = new QProgressBar(this);
    ProgressBarCreate->setObjectName(QStringLiteral("ProgressBarCreate"));
    ProgressBarCreate->setGeometry(8, 14, 199, 11);
    ProgressBarCreate->setTextVisible(false);

    LblCreating = new QLabel(this);
    LblCreating->setObjectName(QStringLiteral("LblCreating"));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    LblCreating->setFont(font);

    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setAccessibleName(QStringLiteral("Cancel"));
    BtnCancel->setAutoDefault(false);
    BtnCancel->setGeometry((s_width - 75) / 2, s_height - 2, 75, 25);
    BtnCancel->hide();
    connect(BtnCancel, &QPushButton::clicked, this, &TFormProgressBar::reject);

    showFiles(0);
}

void TFormProgressBar::showDerivation(int keyCount)
{
    setLabel(QStringLiteral("Preparing the keys..."));
    ProgressBarCreate->setRange(0, keyCount);
    ProgressBarCreate->setValue(0);
    setFixedSize(s_width, s_height + s_cancelHeight);
    BtnCancel->show();
    BtnCancel->setFocus(Qt::OtherFocusReason);
}

void TFormProgressBar::showFiles(int fileCount)
{
    setLabel(QStringLiteral("Processing..."));
    ProgressBarCreate->setRange(0, fileCount);
    ProgressBarCreate->setValue(0);
    BtnCancel->hide();
    setFixedSize(s_width, s_height);
}

void TFormProgressBar::reject()
{
    m_cancelRequested = true;
}

void TFormProgressBar::setLabel(const QString& text)
{
    LblCreating->setText(text);
    ProgressBarCreate->setAccessibleName(text);
    LblCreating->adjustSize();
    // Where the design puts "Processing...", unless a longer text would not fit there: that one is centred.
    constexpr int designedLeft = 64;
    const int width = LblCreating->width();
    LblCreating->move(designedLeft + width <= s_width - 8 ? designedLeft : (s_width - width) / 2, 38);
}
