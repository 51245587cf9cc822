#pragma once

// One batch run: every listed file goes through the page locker with the job's settings, in list order, with
// one relock answer shared by the whole run. The caller shows progress and the results.

#include "engine/encrypthtml.h"
#include "engine/strongrun.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace Batch
{
    // The page format of a run: the classic page, or the strong page sealed with AES-256-GCM.
    enum class Encryption
    {
        Classic,
        Strong
    };

    struct Settings
    {
        std::string password; // EffectivePassword as engine bytes
        std::function<bool()> backup; // read again before each file
        int protectionType = Encrypthtml::ProtectPage;
        int pageColor = Encrypthtml::ColorWhite;
        int passwordType = Encrypthtml::SinglePassword;
        std::vector<std::string> userList; // entries "name TAB password" as engine bytes
        // The users left out of the pages before the run (see UserList::logins): a line "name: why" each, the name as
        // typed.
        QStringList leftOutUsers;
        const Strong::Run* strong = nullptr; // the run every page is sealed with; nullptr: classic pages
    };

    struct FileResult
    {
        QString path;
        bool locked = false; // the locker wrote the page
        Encrypthtml::LockReport report;

        // The locker could not read or write the file, as opposed to a missing file or a declined relock.
        bool isFailure() const;
    };

    struct Result
    {
        std::vector<FileResult> files; // one per path, in list order
        int count = 0; // files locked
        QStringList leftOutUsers; // Settings::leftOutUsers of a user/password run that locked a page
    };

    // Called after each file with its index in the list and its result.
    using FileDone = std::function<void(int index, const FileResult& result)>;

    // Locks every path in order. The relock answer starts at "ask" for every run.
    Result Run(const QStringList& paths,
               const Settings& settings,
               const Encrypthtml::RelockQuestion& ask,
               const FileDone& fileDone);

    // The options of a strong run for the job: the password (in user/password runs the master password) and, for
    // each entry "name TAB password" of users, one login, all as UTF-8. No users: a single-password run.
    Strong::RunOptions StrongRunOptions(const QString& password, const QStringList& users);

    // "N file(s) have been encrypted."
    QString CountText(int count);

    // One text naming every file the locker could not read or write and why; empty when there is none. Lists at
    // most maxListed files and counts the rest.
    QString FailureText(const Result& result, int maxListed = 20);

    // One text naming the backups of pages locked again that were kept, since they hold the pages unlocked; empty
    // when there is none.
    QString KeptBackupsText(const Result& result);

    // One text naming the users left out of the pages, before the run and by the locker, each with why; empty when
    // there is none.
    QString OmittedUsersText(const Result& result);
} // namespace Batch
