#include "jobs/addfolder.h"

#include "engine/encrypthtml.h"
#include "ui/controls.h"
#include "ui/prompts.h"
#include "ui/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TFormAddFolder* FormAddFolder = nullptr;

namespace
{
    using Controls::Make;
    using Controls::SetCaption;
    using Controls::SetLabel;

    void ScanInto(const QString& folder, bool includeSubFolders, QStringList& found)
    {
        // folder carries no trailing separator, but may be empty for the root.
        const QString prefix = folder + QDir::separator();
        QDirIterator entries(prefix, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            entries.next();
            const QFileInfo entry = entries.fileInfo();
            const QString path = prefix + entries.fileName();
            if (entry.isDir()) {
                if (includeSubFolders && !entry.isSymLink() && !entry.isJunction()) {
                    ScanInto(path, includeSubFolders, found);
                }
            } else if (entry.isFile() && IsPageFileName(entries.fileName())) {
                found.append(path);
            }
        }
    }
} // namespace

bool IsPageFileName(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    return Encrypthtml::IsPageFileName(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QStringList ScanFolder(const QString& folder, bool includeSubFolders)
{
    if (folder.isEmpty()) {
        return {};
    }
    QString start = folder;
    if (start.endsWith(QDir::separator())) {
        start.chop(1);
    }
    QStringList found;
    ScanInto(start, includeSubFolders, found);
    return found;
}

TFormAddFolder::TFormAddFolder(QWidget* parent) : QDialog(parent)
{
    FormCreate();
}

void TFormAddFolder::FormCreate()
{
    setObjectName(QStringLiteral("FormAddFolder"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(Strings::LoadStr(701));

    LblFolder = Make<QLabel>(this, "LblFolder");
    CmbFolder = Make<QComboBox>(this, "CmbFolder");
    CmbFolder->setEditable(true);
    // The history grows only on OK; typing and Enter must not add items.
    CmbFolder->setInsertPolicy(QComboBox::NoInsert);
    CmbFolder->setEditText(QDir::toNativeSeparators(QDir::currentPath()));
    CmbFolder->setMinimumWidth(291);
    SetLabel(LblFolder, CmbFolder, Strings::LoadStr(703));

    BtnBrowse = Make<QPushButton>(this, "BtnBrowse");
    BtnBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    SetCaption(BtnBrowse, Strings::LoadStr(702));
    BtnBrowse->setToolTip(Strings::LoadStr(705));
    BtnBrowse->setAutoDefault(false);

    ChkIncludeSubFolder = Make<QCheckBox>(this, "ChkIncludeSubFolder");
    SetCaption(ChkIncludeSubFolder, Strings::LoadStr(704));
    ChkIncludeSubFolder->setChecked(true);

    BtnOK = Make<QPushButton>(this, "BtnOK");
    BtnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    SetCaption(BtnOK, QStringLiteral("OK"));
    BtnOK->setDefault(true);

    BtnCancel = Make<QPushButton>(this, "BtnCancel");
    BtnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    SetCaption(BtnCancel, QStringLiteral("Cancel"));
    BtnCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addStretch(1);
    buttons->addWidget(BtnCancel);
    buttons->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(LblFolder, 0, 0, 1, 2);
    layout->addWidget(CmbFolder, 1, 0);
    layout->addWidget(BtnBrowse, 1, 1);
    layout->addWidget(ChkIncludeSubFolder, 2, 0, 1, 2);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    // A fixed border: the dialog keeps the size its contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BtnOK, &QPushButton::clicked, this, &TFormAddFolder::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnBrowse, &QPushButton::clicked, this, &TFormAddFolder::BtnBrowseClick);
    // Its own place on the screen, rather than centred over the main window at each showing.
    move(302, 201);
}

QString TFormAddFolder::folderText() const
{
    return CmbFolder->currentText();
}

bool TFormAddFolder::includeSubFolders() const
{
    return ChkIncludeSubFolder->isChecked();
}

void TFormAddFolder::BtnOKClick()
{
    const QString folder = folderText();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        Prompts::Warning(this, QStringLiteral("The folder ") + folder + QStringLiteral(" does not exist!"));
        return;
    }
    // Qt::MatchFixedString compares without regard to letter case.
    if (CmbFolder->findText(folder, Qt::MatchFixedString) < 0) {
        CmbFolder->addItem(folder);
    }
    CmbFolder->setEditText(folder);
    accept();
}

void TFormAddFolder::BtnBrowseClick()
{
    const QString folder = Prompts::ExistingDirectory(this, Strings::LoadStr(701));
    if (!folder.isEmpty()) {
        CmbFolder->setEditText(QDir::toNativeSeparators(folder));
    }
}
