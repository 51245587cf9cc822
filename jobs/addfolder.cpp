#include "jobs/addfolder.h"

#include "engine/encrypthtml.h"
#include "engine/pagescan.h"
#include "uikit/controls.h"
#include "uikit/prompts.h"
#include "uikit/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <filesystem>
#include <optional>
#include <system_error>

TFormAddFolder* FormAddFolder = nullptr;

namespace
{
    using Controls::Make;
    using Controls::SetCaption;
    using Controls::SetLabel;

    // The path Qt holds for bytes from the file system, or nothing when that text would name another file.
    std::optional<QString> PathOfBytes(const QByteArray& bytes)
    {
        const QString path = QFile::decodeName(bytes);
        if (QFile::encodeName(path) != bytes) {
            return std::nullopt;
        }
        return QDir::toNativeSeparators(path);
    }

    void Take(const QByteArray& bytes, QStringList& pages, LeftOutPages* leftOut)
    {
        if (const std::optional<QString> path = PathOfBytes(bytes)) {
            pages.append(*path);
        } else if (leftOut != nullptr) {
            leftOut->add(bytes);
        }
    }

    QStringList PagesOf(const QByteArray& folder, bool includeSubFolders, LeftOutPages* leftOut)
    {
        QStringList pages;
        for (const std::string& page : PageScan::ScanFolder(folder.toStdString(), includeSubFolders).pages) {
            Take(QByteArray::fromStdString(page), pages, leftOut);
        }
        return pages;
    }
} // namespace

void LeftOutPages::add(const QByteArray& path)
{
    // Paths from a scan or a drop always hold a "/"; one at the start is the root.
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash <= 0 ? QByteArray("/") : path.left(slash);
    for (auto& [known, count] : m_folders) {
        if (known == folder) {
            ++count;
            return;
        }
    }
    m_folders.append({folder, 1});
}

bool LeftOutPages::isEmpty() const
{
    return m_folders.isEmpty();
}

QString LeftOutPages::message() const
{
    QStringList lines;
    for (const auto& [folder, count] : m_folders) {
        // The folder's own name may not be text either; it is shown as near as Qt can.
        lines.append(QStringLiteral("%1 file(s) in %2 were left out: their names are not text in the system encoding.")
                         .arg(count)
                         .arg(QDir::toNativeSeparators(QFile::decodeName(folder))));
    }
    return lines.join(QLatin1Char('\n'));
}

namespace Addfolder
{
    QStringList ScanFolder(const QString& folder, bool includeSubFolders, LeftOutPages* leftOut)
    {
        return PagesOf(QFile::encodeName(QDir::fromNativeSeparators(folder)), includeSubFolders, leftOut);
    }

    QStringList DroppedPages(const QList<QUrl>& urls, LeftOutPages* leftOut)
    {
        QStringList pages;
        for (const QUrl& url : urls) {
            if (!url.isLocalFile()) {
                continue;
            }
            // The path as the file system's bytes: a name that is not UTF-8 comes percent-encoded byte by byte, and
            // QUrl::toLocalFile would turn it into other text.
            const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            std::error_code error;
            const std::filesystem::file_status status = std::filesystem::status(bytes.toStdString(), error);
            if (std::filesystem::is_directory(status)) {
                pages.append(PagesOf(bytes, true, leftOut));
            } else if (std::filesystem::is_regular_file(status)
                       && Encrypthtml::IsPageFileName(bytes.mid(bytes.lastIndexOf('/') + 1).toStdString())) {
                Take(bytes, pages, leftOut);
            }
        }
        return pages;
    }
} // namespace Addfolder

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
