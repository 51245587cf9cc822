// Page options, previews, help, the maker's links and the About box.

#include "ui/mainoptions.h"

#include "engine/encrypthtml.h"
#include "engine/pagecolors.h"
#include "jobs/filerow.h"
#include "settings/passwordsettings.h"
#include "ui/aboutbox.h"
#include "ui/linklabel.h"
#include "ui/main.h"
#include "uikit/prompts.h"
#include "uikit/strings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QTreeWidget>
#include <QUrl>

#include <array>

namespace
{
    // Each choice's caption, its code and what goes with it, in the order the combo box lists them (by item
    // index; no selection counts as the first item).
    struct PasswordTypeChoice
    {
        const char* caption;
        int code;
    };

    constexpr std::array<PasswordTypeChoice, 2> s_passwordTypes = {{
        {"single password", Encrypthtml::SinglePassword},
        {"user/password", Encrypthtml::UserPassword},
    }};

    struct ProtectionChoice
    {
        const char* caption;
        int code;
        int textId;
    };

    constexpr std::array<ProtectionChoice, 3> s_protections = {{
        {"Page", Encrypthtml::ProtectPage, 506},
        {"Session", Encrypthtml::ProtectSession, 507},
        {"Cookie", Encrypthtml::ProtectCookie, 508},
    }};

    struct EncryptionChoice
    {
        const char* caption;
        Batch::Encryption code;
        int textId;
        const char* sampleFolder;
    };

    constexpr std::array<EncryptionChoice, 2> s_encryptions = {{
        {"Classic (compatible)", Batch::Encryption::Classic, 511, ""},
        {"Strong (AES-256)", Batch::Encryption::Strong, 512, "Strong"},
    }};

    // The colours are the engine's schemes: a scheme's name is its caption and the folder of its sample pages.
    const auto& s_colors = PageColors::Schemes;

    template <typename Table> const typename Table::value_type& Choice(const Table& table, int index)
    {
        return index >= 0 && index < static_cast<int>(table.size()) ? table[index] : table[0];
    }

    template <typename Table, typename Caption> QStringList Captions(const Table& table, Caption caption)
    {
        QStringList captions;
        for (const auto& choice : table) {
            captions.append(caption(choice));
        }
        return captions;
    }

} // namespace

namespace PageOptions
{
    QStringList PasswordTypeCaptions()
    {
        return Captions(s_passwordTypes, [](const PasswordTypeChoice& choice) {
            return QString::fromLatin1(choice.caption);
        });
    }

    int PasswordTypeCode(int index)
    {
        return Choice(s_passwordTypes, index).code;
    }

    QStringList ProtectionCaptions()
    {
        return Captions(s_protections, [](const ProtectionChoice& choice) {
            return QString::fromLatin1(choice.caption);
        });
    }

    int ProtectionCode(int index)
    {
        return Choice(s_protections, index).code;
    }

    int ProtectionTextId(int index)
    {
        return Choice(s_protections, index).textId;
    }

    QStringList ProtectionTexts()
    {
        return Captions(s_protections, [](const ProtectionChoice& choice) {
            return Strings::LoadStr(choice.textId);
        });
    }

    QStringList EncryptionCaptions()
    {
        return Captions(s_encryptions, [](const EncryptionChoice& choice) {
            return QString::fromLatin1(choice.caption);
        });
    }

    Batch::Encryption EncryptionCode(int index)
    {
        return Choice(s_encryptions, index).code;
    }

    int EncryptionTextId(int index)
    {
        return Choice(s_encryptions, index).textId;
    }

    QString EncryptionFolder(int index)
    {
        return QString::fromLatin1(Choice(s_encryptions, index).sampleFolder);
    }

    QStringList EncryptionTexts()
    {
        return Captions(s_encryptions, [](const EncryptionChoice& choice) {
            return Strings::LoadStr(choice.textId);
        });
    }

    QStringList ColorCaptions()
    {
        return Captions(s_colors, [](const PageColors::Scheme& scheme) {
            return QString::fromLatin1(scheme.name);
        });
    }

    int ColorCode(int index)
    {
        return Choice(s_colors, index).code;
    }

    QString ColorFolder(int index)
    {
        return QString::fromLatin1(Choice(s_colors, index).name);
    }

    QString ProgramFolder(const QString& programDir, QChar separator)
    {
        return programDir.endsWith(separator) ? programDir.chopped(1) : programDir;
    }

    QString DataPath(const QString& programFolder, const QString& relative, QChar separator)
    {
        QString tail = relative.startsWith(QLatin1Char('/')) ? relative : QLatin1Char('/') + relative;
        tail.replace(QLatin1Char('/'), separator);
        return programFolder + tail;
    }

    QString
    SamplePagePath(const QString& programFolder, int colorIndex, int passwordType, int encryptionIndex, QChar separator)
    {
        const QString page =
            passwordType == Encrypthtml::SinglePassword ? QStringLiteral("index.html") : QStringLiteral("index1.html");
        QStringList parts = {
            QStringLiteral("Templates"), EncryptionFolder(encryptionIndex), ColorFolder(colorIndex), page};
        parts.removeAll(QString());
        return DataPath(programFolder, parts.join(QLatin1Char('/')), separator);
    }

    QString RunningProgramFolder()
    {
        return ProgramFolder(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    }
} // namespace PageOptions

void TFormMain::CmbProtectionTypeChange()
{
    const int index = CmbProtectionType->currentIndex();
    LblProtectionContent->setText(Strings::LoadStr(PageOptions::ProtectionTextId(index)));
    ProtectionType = PageOptions::ProtectionCode(index);
}

void TFormMain::CmbPageColorChange()
{
    PageColor = PageOptions::ColorCode(CmbPageColor->currentIndex());
}

void TFormMain::CmbEncryptionChange()
{
    const int index = CmbEncryption->currentIndex();
    LblEncryptionContent->setText(Strings::LoadStr(PageOptions::EncryptionTextId(index)));
    Encryption = PageOptions::EncryptionCode(index);
}

void TFormMain::BtnColorPreviewClick()
{
    Prompts::OpenPath(PageOptions::SamplePagePath(PageOptions::RunningProgramFolder(),
                                                  CmbPageColor->currentIndex(),
                                                  PasswordType,
                                                  CmbEncryption->currentIndex()));
}

void TFormMain::TbnShowClick()
{
    const QList<QTreeWidgetItem*> selected = LvwFileShow->selectedItems();
    if (selected.isEmpty()) {
        Prompts::Plain(this, QStringLiteral("Warning"), QStringLiteral("You should select a list file first!"));
        return;
    }
    // The columns are FileName and Path: the locked file is the folder joined with the name.
    const QTreeWidgetItem* row = selected.first();
    Prompts::OpenPath(FileRow::Join(row->text(1), row->text(0)));
}

void TFormMain::BtnHelpClick()
{
    Prompts::OpenPath(PageOptions::DataPath(PageOptions::RunningProgramFolder(), Strings::LoadStr(108)));
}

void TFormMain::LblStep0WebsiteClick()
{
    Prompts::OpenUrl(QUrl(LblStep0Website->text()));
}

void TFormMain::LblStep0EmailClick()
{
    Prompts::OpenUrl(QUrl(QStringLiteral("mailto:") + LblStep0Email->text()));
}

void TFormMain::BtnAboutClick()
{
    FormAboutBox->exec();
}
