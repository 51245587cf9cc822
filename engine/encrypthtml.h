#pragma once

// Turns one HTML file into a locked page in place.

#include "engine/handles.h"
#include "engine/pagecolors.h"
#include "engine/safefile.h"
#include "engine/strongrun.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Encrypthtml
{
    // Password type codes.
    constexpr int SinglePassword = 2000;
    constexpr int UserPassword = 2001;

    // Protection type codes: how the visitor's browser remembers a login.
    constexpr int ProtectPage = 1000;
    constexpr int ProtectSession = 1001;
    constexpr int ProtectCookie = 1002;

    // Page colour codes, 0x00BBGGRR (see engine/pagecolors.h).
    constexpr int ColorWhite = PageColors::White;
    constexpr int ColorBlack = PageColors::Black;
    constexpr int ColorYellow = PageColors::Yellow;
    constexpr int ColorBlue = PageColors::Blue;

    // The first bytes of every locked page; a file that starts with them counts as locked before.
    constexpr std::string_view LockedMarker = "<!--Protected by Quillgate, Orvantic Software Inc.-->";

    // The relock answer one batch shares with every call.
    constexpr int RelockAsk = 0;
    constexpr int RelockAll = 1;
    constexpr int RelockNone = -1;

    enum class RelockChoice
    {
        Yes,
        No,
        NoToAll,
        YesToAll
    };

    // Asked for a file that already carries the locked-page marker; receives the whole question text.
    using RelockQuestion = std::function<RelockChoice(const std::string& question)>;

    enum class LockStatus
    {
        Locked, // the page was written
        Missing, // no file at the path: silent
        EmptyPassword, // silent
        Declined, // already locked and skipped by the answer: silent
        ReadFailed, // the file exists but could not be read
        BackupFailed, // a backup was asked for and could not be made; nothing was written
        WriteFailed, // the page could not be written; the original is unchanged
        Changed, // the file found is not there any more (a link, another file): it is left alone
        Pending // written and handed to a commit batch; FinishCommitted() tells what became of it
    };

    struct LockReport
    {
        LockStatus status = LockStatus::Missing;
        std::string detail; // the system's reason for a failure, empty otherwise
        // User names left out of the page: their key (name followed by password) is longer than 256 bytes or
        // holds a zero byte, so the page script could never open their entry.
        std::vector<std::string> omittedUsers;
        // A page locked again whose backup holds it unlocked: that backup, the only plain copy, was kept as it is
        // rather than replaced by the locked page.
        bool backupKept = false;
        std::size_t ticket = 0; // of a Pending page in its commit batch
    };

    // True when content starts with LockedMarker.
    bool IsLockedPage(std::string_view content);

    // Whether a file name counts as a page to lock: its extension (from the last "." on, so ".html" alone counts),
    // in any letter case, is ".htm" or ".html". Both the folder scans of the wizard and of the command use it.
    bool IsPageFileName(std::string_view name);

    // The most bytes a user's name and password may hold together: the page script's key bound.
    constexpr std::size_t MaxUserKeyLength = 256;

    // True when the page script can use the key of the user entry (name, TAB, password): the name followed by
    // the password is at most MaxUserKeyLength bytes and holds no zero byte. Other entries are left out of a page.
    bool UserKeyFits(std::string_view entry);

    // True when a user name, as engine bytes, survives in an entry: the locker splits an entry at its first TAB,
    // so a name holding a TAB byte (typed as U+4E09, say, whose code is 9 modulo 256) would be cut short there.
    bool UserNameFits(std::string_view name);

    // The question asked before a file that is locked already is locked again.
    std::string RelockQuestionText(const std::string& path);

    // Builds the locked page for content (taken whole, by length). False, with the reason in error, only when the
    // built-in page template is unusable. Users that must be left out are added to omittedUsers.
    bool BuildPage(std::string_view content,
                   std::string_view password,
                   int protectionType,
                   int pageColor,
                   int passwordType,
                   const std::vector<std::string>& userList,
                   std::string& page,
                   std::vector<std::string>& omittedUsers,
                   std::string& error);

    // Locks the file at path. True when the locked page was written; false when nothing was written, and then
    // the file is byte-for-byte as it was. password and user entries are engine bytes (see TextBytes). A file
    // without any write permission is read-only and is not replaced, nor is a read-only backup copy.
    // The page replaces the file through an owner-only temporary file in the same folder (see engine/tempfiles.h),
    // flushed to disk before the rename, and keeps the file's owner, group, permissions and extended attributes
    // (access control lists among them); what cannot be carried over means the file is not replaced, and so does a
    // file with more than one name (hard links), which would stay plain under the others. A symbolic link stays and
    // its target is locked. A requested backup (path + ".bak", with the same attributes) is made the same way
    // before, and a backup that cannot be made, or that would be the page itself, means the file is not locked.
    // Without a callback, a file that is locked already and would need the question is skipped as if answered No.
    // The file is read in chunks, so memory stays bounded whatever its size; calls may run on several threads at
    // once (for different files).
    // Given a batch (and a report), the complete backup and page are handed to it instead of being flushed and
    // renamed one by one: the status is then Pending, the result false, and FinishCommitted() gives the outcome.
    // Given a strong run, the page is the run's strong page (see engine/strongrun.h), sealed as it is read;
    // password, passwordType and userList are then unused, since the run holds the keys. Everything else (the
    // relock question, the backup, the charset, the safe replacement, the report and the batch) is the same.
    // A page locked again keeps a backup that holds it unlocked (report->backupKept). The path is resolved once,
    // at the start (see Handles::LocateNamed); every later step goes through the handles of the folders found.
    bool LockPage(const std::string& path,
                  std::string_view password,
                  bool backup,
                  int protectionType,
                  int pageColor,
                  int passwordType,
                  int& answer,
                  const std::vector<std::string>& userList,
                  const RelockQuestion& ask,
                  LockReport* report = nullptr,
                  SafeFile::CommitBatch* batch = nullptr,
                  const Strong::Run* strong = nullptr);

    // What every lock of a run shares, as LockPage takes it (see there): the page options, the run's relock answer
    // and question, where the outcome goes, and the batch and strong run, if any.
    struct LockRequest
    {
        std::string_view password;
        int protectionType;
        int pageColor;
        int passwordType;
        int& answer;
        const std::vector<std::string>& userList;
        const RelockQuestion& ask;
        LockReport* report;
        SafeFile::CommitBatch* batch;
        const Strong::Run* strong;
    };

    // LockPage with the request.
    bool LockPage(const std::string& path, bool backup, const LockRequest& request);

    // LockPage for a page that a folder walk found at place: a symbolic link or another file there now (see
    // SafeFile::Source::open) is left alone with the status Changed. The backup goes beside it.
    bool LockFoundPage(const Handles::Place& place, bool backup, const LockRequest& request);

    // Writes the locked page of source to destination and leaves source as it is. The destination's folder must
    // exist; a file there is replaced (a symbolic link by that name is replaced itself, not followed) by the same
    // safe steps as LockPage: an owner-only temporary file beside it, flushed, then renamed over it. The new page
    // gets source's permission bits and belongs to the caller. A destination that is source itself, or read-only,
    // is refused. The result and the report are those of LockPage, a batch and a strong run too; the relock
    // question names source.
    bool LockPageCopy(const std::string& source,
                      const std::string& destination,
                      std::string_view password,
                      int protectionType,
                      int pageColor,
                      int passwordType,
                      int& answer,
                      const std::vector<std::string>& userList,
                      const RelockQuestion& ask,
                      LockReport* report = nullptr,
                      SafeFile::CommitBatch* batch = nullptr,
                      const Strong::Run* strong = nullptr);

    // LockPageCopy for a source that a folder walk found (or a named file resolved), into a destination in a folder
    // held open.
    bool LockFoundPageCopy(const Handles::Place& source, const Handles::Place& destination, const LockRequest& request);

    // Waits for the commit of a Pending page (see SafeFile::CommitBatch::take) and turns report into
    // the page's final status: Locked, or BackupFailed or WriteFailed with the reason. True when Locked.
    bool FinishCommitted(SafeFile::CommitBatch& batch, LockReport& report);
} // namespace Encrypthtml
