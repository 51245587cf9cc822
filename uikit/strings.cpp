#include "uikit/strings.h"

#include <algorithm>
#include <iterator>

namespace
{
    struct Entry
    {
        int id;
        const char* text; // UTF-8
    };

    // The maker's notice line appears on the welcome page (202) and in the About box (12).
    constexpr char s_notice[] = "Copyright \u00a9 2026 Orvantic Software Inc.";

    // Sorted by number.
    constexpr Entry s_table[] = {
        {1, "Quillgate " QUILLGATE_VERSION},
        {10, "Quillgate"},
        {11, "Version " QUILLGATE_VERSION},
        {12, s_notice},
        {13,
         "This program is protected by copyright law, and copying or distributing it without the permission of "
         "Orvantic Software Inc. is prohibited."},
        {100, "Help"},
        {102, "Back"},
        {103, "Next"},
        {104, "Exit"},
        {105, "https://www.orvantic.example/quillgate"},
        {106, "support@orvantic.example"},
        // Appended to the program's folder; written with this platform's separator.
        {108, "/help/index.html"},
        {201, "About"},
        {202, s_notice},
        {203,
         "Quillgate is a powerful tool designed to create encrypted and password protected web pages and whole web "
         "site, unlike other similar tools which always use very simple algorithm, Quillgate use strong encryption "
         "algorithms to provide best security.\nThis wizard will help you create encrypted and password protected "
         "web pages or whole web site in just a few clicks!"},
        {204, "Welcome to Quillgate Wizard!"},
        {301, "Step 1"},
        {302, "Please select web pages to protect."},
        {303, "Create backup files"},
        {304, "Add file"},
        {305, "Add folder"},
        {306, "Delete file"},
        {307, "Delete all"},
        {308, "Save file list"},
        {309, "Load file list"},
        {310, "FileName"},
        {311, "Path"},
        {312, "Size"},
        {401, "Step 2"},
        {402,
         "Select password type: For single password type, type a password for the pages you want to protect; For "
         "user/password type, type master password, and define user/password list in the next step. "},
        {403, "Password:"},
        {405, "Confirm password:"},
        {406, "Don't show password."},
        {501, "Step 3"},
        {502, "Select protection type and color for your web pages."},
        {503, "Preview"},
        {504, "Protection Type:"},
        {505, "Page Color:"},
        {506,
         "Page selected: use this protectin type to protect your web pages. Every time you enter a protected web "
         "page, a password is needed."},
        {507,
         "Session selected: this protection type uses cookies to store a password on user's local machine. You can "
         "use it to protect a whole web site. The cookie with secured information is destroyed after closing the "
         "web browser."},
        {508,
         "Cookie selected: this protection type uses  cookies to store a password in the user's local machine. You "
         "can use it to protect a whole web site. Default password storing time is 365 days."},
        {509, "[password is \"pvkmsto\"]"},
        {510, "Encryption:"},
        {511,
         "Classic: opens in every browser, but only hides the page from casual readers: a copy of it lets a guesser "
         "test passwords quickly."},
        {512,
         "Strong: AES-256-GCM; every password guess costs 600,000 PBKDF2 rounds. Pages open over https or as local "
         "files."},
        {601, "Step 4"},
        {602,
         "Click \"Create\" button to create encrypted and password protected web pages. You can preview the selected "
         "file by clicking \"Preview\" button."},
        {603, "Preview Selected File"},
        {604, "Create"},
        {605, "Create Encrypted Html Files"},
        {606, "FileName"},
        {607, "Path"},
        {608, "Encrypted size"},
        {701, "Add Folder"},
        {702, "Browse"},
        {703, "Add html files in the folder:"},
        {704, "Include Sub Folders"},
        {705, "Browse For Folder"},
    };

    static_assert(std::is_sorted(std::begin(s_table),
                                 std::end(s_table),
                                 [](const Entry& a, const Entry& b) {
                                     return a.id < b.id;
                                 }),
                  "the string table must stay sorted by number");
} // namespace

namespace Strings
{
    QString LoadStr(int id)
    {
        const auto found =
            std::lower_bound(std::begin(s_table), std::end(s_table), id, [](const Entry& entry, int wanted) {
                return entry.id < wanted;
            });
        if (found == std::end(s_table) || found->id != id) {
            return {};
        }
        return QString::fromUtf8(found->text);
    }
} // namespace Strings
