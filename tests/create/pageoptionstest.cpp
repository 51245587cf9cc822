// The "Step 3" option tables and the paths of the sample pages and the help beside the program.

#include "ui/mainoptions.h"

#include "engine/encrypthtml.h"
#include "settings/passwordsettings.h"

#include <gtest/gtest.h>

#include <ostream>

namespace
{
    // The captions are the combo box's items: the row of each index shows that caption, code and text agree.
    struct PasswordTypeRow
    {
        int index;
        const char* caption;
        int code;
    };

    void PrintTo(const PasswordTypeRow& row, std::ostream* out)
    {
        *out << "index " << row.index;
    }

    class PasswordTypeTable : public ::testing::TestWithParam<PasswordTypeRow>
    { };

    TEST_P(PasswordTypeTable, IndexGivesCaptionAndCode)
    {
        const PasswordTypeRow& row = GetParam();
        EXPECT_EQ(PageOptions::PasswordTypeCaptions().value(row.index), QString::fromLatin1(row.caption));
        EXPECT_EQ(PageOptions::PasswordTypeCode(row.index), row.code);
    }

    INSTANTIATE_TEST_SUITE_P(Codes,
                             PasswordTypeTable,
                             ::testing::Values(PasswordTypeRow{-1, "", Encrypthtml::SinglePassword},
                                               PasswordTypeRow{0, "single password", 2000},
                                               PasswordTypeRow{1, "user/password", 2001}));

    struct ProtectionRow
    {
        int index;
        const char* caption;
        int code;
        int textId;
    };

    void PrintTo(const ProtectionRow& row, std::ostream* out)
    {
        *out << "index " << row.index;
    }

    class ProtectionTable : public ::testing::TestWithParam<ProtectionRow>
    { };

    TEST_P(ProtectionTable, IndexGivesCaptionCodeAndText)
    {
        const ProtectionRow& row = GetParam();
        EXPECT_EQ(PageOptions::ProtectionCaptions().value(row.index), QString::fromLatin1(row.caption));
        EXPECT_EQ(PageOptions::ProtectionCode(row.index), row.code);
        EXPECT_EQ(PageOptions::ProtectionTextId(row.index), row.textId);
    }

    INSTANTIATE_TEST_SUITE_P(Codes,
                             ProtectionTable,
                             ::testing::Values(ProtectionRow{-1, "", Encrypthtml::ProtectPage, 506},
                                               ProtectionRow{0, "Page", 1000, 506},
                                               ProtectionRow{1, "Session", 1001, 507},
                                               ProtectionRow{2, "Cookie", 1002, 508}));

    struct ColorRow
    {
        int index;
        int code;
        const char* folder;
    };

    void PrintTo(const ColorRow& row, std::ostream* out)
    {
        *out << "index " << row.index;
    }

    class ColorTable : public ::testing::TestWithParam<ColorRow>
    { };

    TEST_P(ColorTable, IndexGivesCaptionCodeAndFolder)
    {
        const ColorRow& row = GetParam();
        if (row.index >= 0) {
            EXPECT_EQ(PageOptions::ColorCaptions().value(row.index), QString::fromLatin1(row.folder));
        }
        EXPECT_EQ(PageOptions::ColorCode(row.index), row.code);
        EXPECT_EQ(PageOptions::ColorFolder(row.index), QString::fromLatin1(row.folder));
    }

    INSTANTIATE_TEST_SUITE_P(Codes,
                             ColorTable,
                             ::testing::Values(ColorRow{-1, 0xFFFFFF, "White"},
                                               ColorRow{0, 0xFFFFFF, "White"},
                                               ColorRow{1, 0x000000, "Black"},
                                               ColorRow{2, 0x00FFFF, "Yellow"},
                                               ColorRow{3, 0xFF0000, "Blue"}));

    struct EncryptionRow
    {
        int index;
        const char* caption;
        Batch::Encryption code;
        int textId;
        const char* folder;
    };

    void PrintTo(const EncryptionRow& row, std::ostream* out)
    {
        *out << "index " << row.index;
    }

    class EncryptionTable : public ::testing::TestWithParam<EncryptionRow>
    { };

    TEST_P(EncryptionTable, IndexGivesCaptionCodeTextAndFolder)
    {
        const EncryptionRow& row = GetParam();
        EXPECT_EQ(PageOptions::EncryptionCaptions().value(row.index), QString::fromLatin1(row.caption));
        EXPECT_EQ(PageOptions::EncryptionCode(row.index), row.code);
        EXPECT_EQ(PageOptions::EncryptionTextId(row.index), row.textId);
        EXPECT_EQ(PageOptions::EncryptionFolder(row.index), QString::fromLatin1(row.folder));
    }

    INSTANTIATE_TEST_SUITE_P(
        Codes,
        EncryptionTable,
        ::testing::Values(EncryptionRow{-1, "", Batch::Encryption::Classic, 511, ""},
                          EncryptionRow{0, "Classic (compatible)", Batch::Encryption::Classic, 511, ""},
                          EncryptionRow{1, "Strong (AES-256)", Batch::Encryption::Strong, 512, "Strong"}));

    struct FolderRow
    {
        const char* programDir;
        char separator;
        const char* programFolder;
    };

    // Never ends in the folder's own trailing separator: gtest_discover_tests takes a name ending in a backslash
    // ("C:\") as escaping the line break, joins the following names on to it, and the cases after it then run
    // nothing.
    void PrintTo(const FolderRow& row, std::ostream* out)
    {
        *out << row.programDir << " (separator " << row.separator << ')';
    }

    class ProgramFolderTable : public ::testing::TestWithParam<FolderRow>
    { };

    TEST_P(ProgramFolderTable, LosesOneTrailingSeparator)
    {
        const FolderRow& row = GetParam();
        EXPECT_EQ(PageOptions::ProgramFolder(QString::fromLatin1(row.programDir), QLatin1Char(row.separator)),
                  QString::fromLatin1(row.programFolder));
    }

    INSTANTIATE_TEST_SUITE_P(
        Folders,
        ProgramFolderTable,
        ::testing::Values(FolderRow{"/usr/lib/quillgate", '/', "/usr/lib/quillgate"},
                          FolderRow{"/", '/', ""},
                          FolderRow{"C:\\Program Files\\Quillgate", '\\', "C:\\Program Files\\Quillgate"},
                          FolderRow{"C:\\", '\\', "C:"}));

    struct PreviewRow
    {
        const char* programDir;
        char separator;
        int colorIndex;
        int passwordType;
        int encryptionIndex;
        const char* page;
    };

    void PrintTo(const PreviewRow& row, std::ostream* out)
    {
        *out << row.page;
    }

    class PreviewTable : public ::testing::TestWithParam<PreviewRow>
    { };

    TEST_P(PreviewTable, SamplePageForColourPasswordTypeAndEncryption)
    {
        const PreviewRow& row = GetParam();
        const QChar separator = QLatin1Char(row.separator);
        const QString folder = PageOptions::ProgramFolder(QString::fromLatin1(row.programDir), separator);
        EXPECT_EQ(PageOptions::SamplePagePath(folder, row.colorIndex, row.passwordType, row.encryptionIndex, separator),
                  QString::fromLatin1(row.page));
    }

    constexpr int Single = Encrypthtml::SinglePassword;
    constexpr int Users = Encrypthtml::UserPassword;

    INSTANTIATE_TEST_SUITE_P(
        Paths,
        PreviewTable,
        ::testing::Values(PreviewRow{"/opt/qg", '/', 0, Single, 0, "/opt/qg/Templates/White/index.html"},
                          PreviewRow{"/opt/qg", '/', 1, Users, 0, "/opt/qg/Templates/Black/index1.html"},
                          PreviewRow{"/opt/qg", '/', 2, Single, 0, "/opt/qg/Templates/Yellow/index.html"},
                          PreviewRow{"/opt/qg", '/', 3, Users, 0, "/opt/qg/Templates/Blue/index1.html"},
                          PreviewRow{"/opt/qg", '/', -1, Users, -1, "/opt/qg/Templates/White/index1.html"},
                          PreviewRow{"/opt/qg", '/', 2, Single, 1, "/opt/qg/Templates/Strong/Yellow/index.html"},
                          PreviewRow{"/opt/qg", '/', 0, Users, 1, "/opt/qg/Templates/Strong/White/index1.html"},
                          PreviewRow{"/", '/', 2, Single, 0, "/Templates/Yellow/index.html"},
                          PreviewRow{"/", '/', 3, Users, 1, "/Templates/Strong/Blue/index1.html"},
                          PreviewRow{"C:\\", '\\', 2, Single, 0, "C:\\Templates\\Yellow\\index.html"},
                          PreviewRow{"C:\\", '\\', 3, Users, 1, "C:\\Templates\\Strong\\Blue\\index1.html"},
                          PreviewRow{
                              "D:\\Apps\\QG", '\\', 1, Single, 0, "D:\\Apps\\QG\\Templates\\Black\\index.html"}));

    TEST(DataPath, HelpPageHasASingleSeparatorInARootFolder)
    {
        const QString help = QStringLiteral("/help/index.html");
        EXPECT_EQ(PageOptions::DataPath(
                      PageOptions::ProgramFolder(QStringLiteral("C:\\"), QLatin1Char('\\')), help, QLatin1Char('\\')),
                  QStringLiteral("C:\\help\\index.html"));
        EXPECT_EQ(PageOptions::DataPath(
                      PageOptions::ProgramFolder(QStringLiteral("/"), QLatin1Char('/')), help, QLatin1Char('/')),
                  QStringLiteral("/help/index.html"));
        EXPECT_EQ(PageOptions::DataPath(QStringLiteral("/opt/qg"), QStringLiteral("help/index.html"), QLatin1Char('/')),
                  QStringLiteral("/opt/qg/help/index.html"));
    }
} // namespace
