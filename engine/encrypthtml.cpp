#include "engine/encrypthtml.h"

#include "engine/charset.h"
#include "engine/listlines.h"
#include "engine/md5.h"
#include "engine/pagetemplate.h"
#include "engine/rc4.h"
#include "engine/safefile.h"

#include "engine/tempfiles.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace Encrypthtml
{
    namespace
    {
        constexpr std::size_t s_blockSize = 256;

        // Letters of the block list: each block quoted, commas between blocks.
        std::size_t BlockListLength(std::size_t contentLength)
        {
            const std::size_t blocks = (contentLength + s_blockSize - 1) / s_blockSize;
            const std::size_t fullBlocks = contentLength / s_blockSize;
            const std::size_t letters =
                fullBlocks * Rc4::PackedLength(s_blockSize) + Rc4::PackedLength(contentLength % s_blockSize);
            return letters + 2 * blocks + (blocks > 0 ? blocks - 1 : 0);
        }

        // The block list, written piece by piece as the content is read: every piece but the last is a whole
        // number of blocks. Every block starts from a fresh key schedule with the same key, so all blocks are
        // combined with the one key stream of the first 256 positions: it is made once, and each block is
        // enciphered and packed straight into the output.
        class BlockList
        {
        public:
            explicit BlockList(std::string_view key) : m_stream(Rc4::KeyStream(key, s_blockSize))
            { }

            // The most letters that write() gives for a piece of length bytes (a comma before it included).
            static std::size_t maxLength(std::size_t length)
            {
                return BlockListLength(length) + 1;
            }

            // Writes the blocks of piece at out; returns the end.
            char* write(std::string_view piece, char* out)
            {
                unsigned char block[s_blockSize];
                for (std::size_t start = 0; start < piece.size(); start += s_blockSize) {
                    const std::size_t length = std::min(s_blockSize, piece.size() - start);
                    for (std::size_t m = 0; m < length; ++m) {
                        block[m] = static_cast<unsigned char>(piece[start + m] ^ m_stream[m]);
                    }
                    if (!m_first) {
                        *out++ = ',';
                    }
                    m_first = false;
                    *out++ = '\'';
                    out = Rc4::PackInto(block, length, out);
                    *out++ = '\'';
                }
                return out;
            }

        private:
            std::string m_stream;
            bool m_first = true;
        };

        // The source's bytes, as read, turned into the text the page carries and handed on in chunks: a UTF-16
        // source as UTF-8, in whole chunks but the last (the block list needs whole blocks, and the text's
        // length is not the source's); any other source as it is read.
        class LockedTextStream
        {
        public:
            using Encipher = std::function<bool(std::string_view)>;

            LockedTextStream(Charset::Utf16 order, std::size_t chunkSize, Encipher encipher)
                : m_chunkSize(chunkSize), m_encipher(std::move(encipher))
            {
                if (order != Charset::Utf16::None) {
                    m_decoder.emplace(order);
                }
            }

            bool write(std::string_view bytes)
            {
                if (!m_decoder) {
                    return m_encipher(bytes);
                }
                m_held.append(m_decoder->convert(bytes));
                return passWholeChunks();
            }

            bool finish()
            {
                if (!m_decoder) {
                    return true;
                }
                m_held.append(m_decoder->finish());
                return passWholeChunks() && m_encipher(m_held);
            }

        private:
            bool passWholeChunks()
            {
                std::size_t passed = 0;
                for (; m_held.size() - passed >= m_chunkSize; passed += m_chunkSize) {
                    if (!m_encipher(std::string_view(m_held).substr(passed, m_chunkSize))) {
                        return false;
                    }
                }
                m_held.erase(0, passed);
                return true;
            }

            std::size_t m_chunkSize;
            Encipher m_encipher;
            std::optional<Charset::Utf16ToUtf8> m_decoder;
            std::string m_held; // converted text short of a chunk
        };

        // The page around its block list, and the key of the blocks.
        struct Frame
        {
            std::string head;
            std::string tail;
            std::string key;
        };

        // The page text while it is filled: the text before the block list and the text after it. The block list
        // holds only letters, quotes and commas, so a placeholder is never found inside it.
        class PageText
        {
        public:
            explicit PageText(std::string text) : m_head(std::move(text))
            { }

            // Removes the first occurrence of mark and inserts content in its place.
            void Fill(std::string_view mark, std::string_view content)
            {
                for (std::string* part : {&m_head, &m_tail}) {
                    const std::size_t at = part->find(mark);
                    if (at != std::string::npos) {
                        part->replace(at, mark.size(), content);
                        return;
                    }
                }
            }

            // Cuts the text at the block list's placeholder; the list itself is written apart.
            void CutAtBlockList()
            {
                const std::size_t at = m_head.find(PageTemplate::BlockListMark);
                m_tail = m_head.substr(at + PageTemplate::BlockListMark.size());
                m_head.resize(at);
            }

            void MoveTo(Frame& frame)
            {
                frame.head = std::move(m_head);
                frame.tail = std::move(m_tail);
            }

        private:
            std::string m_head;
            std::string m_tail;
        };

        std::string UserMasterString(std::string_view masterPassword,
                                     const std::vector<std::string>& userList,
                                     std::vector<std::string>& omittedUsers)
        {
            std::string result;
            for (const std::string& entry : userList) {
                const ListLines::UserEntry user = ListLines::SplitUserEntry(entry);
                if (!UserKeyFits(entry)) {
                    omittedUsers.emplace_back(user.name);
                    continue;
                }
                result += Md5::DigestText(user.name);
                result += Rc4::EncryptText(std::string(user.name) + std::string(user.password), masterPassword);
                result += Md5::DigestText(user.password);
            }
            return result;
        }

        std::string_view Pick(bool condition, std::string_view yes, std::string_view no)
        {
            return condition ? yes : no;
        }

        // Applies the state table of the relock answer; true when the file is to be locked (again).
        bool MayRelock(const std::string& path, int& answer, const RelockQuestion& ask)
        {
            if (answer == RelockNone) {
                return false;
            }
            if (answer == RelockAll) {
                return true;
            }
            const RelockChoice choice = ask ? ask(RelockQuestionText(path)) : RelockChoice::No;
            switch (choice) {
            case RelockChoice::No:
                return false;
            case RelockChoice::NoToAll:
                answer = RelockNone;
                return false;
            case RelockChoice::YesToAll:
                answer = RelockAll;
                return true;
            case RelockChoice::Yes:
                break;
            }
            return true;
        }

        bool Finish(LockReport* report, LockStatus status, std::string detail = {})
        {
            if (report != nullptr) {
                report->status = status;
                report->detail = std::move(detail);
            }
            return status == LockStatus::Locked;
        }
        // Fills the page template for the options; the content's only part in it is its charset label.
        bool FramePage(std::string_view charset,
                       std::string_view password,
                       int protectionType,
                       int pageColor,
                       int passwordType,
                       const std::vector<std::string>& userList,
                       Frame& frame,
                       std::vector<std::string>& omittedUsers,
                       std::string& error)
        {
            const PageTemplate::Template* t = PageTemplate::Embedded(error);
            if (t == nullptr) {
                return false;
            }
            namespace P = PageTemplate;
            const bool users = passwordType == UserPassword;
            const bool cookies = protectionType == ProtectSession || protectionType == ProtectCookie;
            const std::string key = Md5::DigestText(password);

            PageText text(t->section(P::Page));
            text.Fill(P::CharsetMark, charset);
            text.Fill(P::CheckValueMark, Md5::CheckValue(key));
            text.Fill(P::UserParaInfoMark, Pick(users, t->section(P::UserParaInfo), {}));
            text.CutAtBlockList();
            if (users) {
                text.Fill(P::MasterPasswordMark, t->section(P::MasterPassword));
                text.Fill(P::UserMasterStringMark, UserMasterString(password, userList, omittedUsers));
            } else {
                text.Fill(P::MasterPasswordMark, {});
            }
            text.Fill(P::OnloadMark,
                      cookies ? Pick(users, t->section(P::OnloadCookieUser), t->section(P::OnloadCookieSingle))
                              : Pick(users, t->section(P::OnloadPageUser), t->section(P::OnloadPageSingle)));
            std::string_view save;
            if (protectionType == ProtectSession) {
                save = Pick(users, t->section(P::SaveSessionUser), t->section(P::SaveSessionSingle));
            } else if (protectionType == ProtectCookie) {
                save = Pick(users, t->section(P::SaveCookieUser), t->section(P::SaveCookieSingle));
            }
            text.Fill(P::SavePasswordMark, save);
            text.Fill(P::UserTextInputValueMark, Pick(users, t->section(P::UserTextInputValue), {}));
            const PageColors::Scheme& colors = PageColors::SchemeOf(pageColor);
            text.Fill(P::BackgroundColorMark, colors.background);
            text.Fill(P::TextColorMark, colors.text);
            text.Fill(P::UserInputTextMark, Pick(users, t->section(P::UserInputText), {}));

            text.MoveTo(frame);
            frame.key = key;
            return true;
        }

        // The strong page of the run around its sealed data; the key is the run's, so the frame holds none.
        bool StrongFrame(const Strong::Run& strong,
                         std::string_view charset,
                         int protectionType,
                         int pageColor,
                         Frame& frame,
                         std::string& error)
        {
            Strong::PageFrame parts;
            if (!strong.frame(charset, protectionType, pageColor, parts, error)) {
                return false;
            }
            frame.head = std::move(parts.head);
            frame.tail = std::move(parts.tail);
            return true;
        }

        using Request = LockRequest;

        // Opens the page at place for locking. False, with the report finished, when it is refused.
        // A strong run holds its keys, so no password is needed then.
        bool OpenPage(const Handles::Place& place, const Request& request, SafeFile::Source& source)
        {
            LockReport* const report = request.report;
            if (report != nullptr) {
                report->omittedUsers.clear();
                report->backupKept = false;
            }
            std::string error;
            if (!source.open(place, error)) {
                using Failure = SafeFile::Source::Failure;
                switch (source.failure()) {
                case Failure::Missing:
                    return Finish(report, LockStatus::Missing);
                case Failure::Changed:
                    return Finish(report, LockStatus::Changed, error);
                case Failure::None:
                case Failure::Other:
                    break;
                }
                return Finish(report, LockStatus::ReadFailed, error);
            }
            if (request.password.empty() && request.strong == nullptr) {
                return Finish(report, LockStatus::EmptyPassword);
            }
            return true;
        }

        // Where the locked page of a source goes, what it takes over, and the backup copy (made first, with the same
        // attributes) when there is one.
        struct Output
        {
            Handles::Place destination;
            SafeFile::Attributes attributes;
            std::optional<Handles::Place> backup;
        };

        // True when the file at place is there and holds a page that is not locked: the plain copy of a page
        // locked before with a backup. A link there is not followed, and a file that cannot be read counts as none.
        bool HoldsPlainPage(const Handles::Place& place)
        {
            SafeFile::Source file;
            std::string error;
            char start[LockedMarker.size()];
            std::size_t count = 0;
            return file.open(place, error) && file.read(start, sizeof start, count, error)
                && !IsLockedPage({start, count});
        }

        // Locks the opened page at path into output, in two passes over the file in chunks: the first asks the
        // relock question, copies the backup and finds the charset, which the head of the page declares; the
        // second enciphers (classic blocks, or with a strong run deflated, sealed and base64-encoded as it goes).
        // A page that fits in one chunk is read once, and so is one that declares its charset at its start and
        // has no backup to fill: the first pass ends with its first chunk, from which the second goes on.
        bool LockOpened(SafeFile::Source& source, const std::string& path, Output& output, const Request& request)
        {
            LockReport* const report = request.report;
            // Without a report the batch's ticket would have nowhere to go.
            SafeFile::CommitBatch* const batch = report != nullptr ? request.batch : nullptr;
            const Strong::Run* const strong = request.strong;
            constexpr std::size_t chunkSize = SafeFile::ChunkSize;
            static_assert(chunkSize % s_blockSize == 0, "every chunk but the last is whole blocks");
            static_assert(chunkSize >= Charset::PrescanLength, "the first chunk holds the whole prescan");
            const std::unique_ptr<char[]> input(new char[chunkSize]);
            std::string error;
            std::size_t count = 0;
            if (!source.read(input.get(), chunkSize, count, error)) {
                return Finish(report, LockStatus::ReadFailed, error);
            }
            const bool lockedBefore = IsLockedPage({input.get(), count});
            if (lockedBefore && !MayRelock(path, request.answer, request.ask)) {
                return Finish(report, LockStatus::Declined);
            }
            // The backup of a page locked before may be the only plain copy left: the locked page never replaces it.
            if (output.backup && lockedBefore && HoldsPlainPage(*output.backup)) {
                output.backup.reset();
                if (report != nullptr) {
                    report->backupKept = true;
                }
            }

            std::unique_ptr<SafeFile::Replacement> backup;
            if (output.backup) {
                // A page that is a link to its own backup's name would replace the copy just made.
                if (source.isAt(*output.backup, true)) {
                    return Finish(report,
                                  LockStatus::BackupFailed,
                                  output.backup->path + " is the page itself, so the page cannot be kept there");
                }
                backup = std::make_unique<SafeFile::Replacement>(*output.backup);
                if (!SafeFile::MayReplace(*output.backup, error) || !backup->create(error)) {
                    return Finish(report, LockStatus::BackupFailed, error);
                }
            }
            Charset::Detector charset;
            std::uint64_t length = 0;
            for (bool first = true;; first = false) {
                charset.feed({input.get(), count});
                length += count;
                if (backup && !backup->write({input.get(), count}, error)) {
                    return Finish(report, LockStatus::BackupFailed, error);
                }
                // The first chunk holds all that a declaration can be in, so only it can settle the charset.
                if (count < chunkSize || (first && !backup && charset.declared())) {
                    break;
                }
                if (!source.read(input.get(), chunkSize, count, error)) {
                    return Finish(report, LockStatus::ReadFailed, error);
                }
            }
            if (backup
                && !(batch ? backup->complete(output.attributes, error) : backup->commit(output.attributes, error))) {
                return Finish(report, LockStatus::BackupFailed, error);
            }

            // The page's text around its content, and the content's encipherer: classic blocks or a strong sealer.
            Frame frame;
            std::vector<std::string> omitted;
            const bool framed = strong
                ? StrongFrame(*strong, charset.label(), request.protectionType, request.pageColor, frame, error)
                : FramePage(charset.label(),
                            request.password,
                            request.protectionType,
                            request.pageColor,
                            request.passwordType,
                            request.userList,
                            frame,
                            omitted,
                            error);
            if (!framed) {
                return Finish(report, LockStatus::WriteFailed, error);
            }
            auto page = std::make_unique<SafeFile::Replacement>(output.destination);
            if (!page->create(error) || !page->write(frame.head, error)) {
                return Finish(report, LockStatus::WriteFailed, error);
            }
            std::optional<BlockList> blocks;
            std::unique_ptr<char[]> letters;
            std::optional<Strong::PageSealer> sealer;
            if (strong) {
                sealer.emplace(
                    *strong,
                    [&](std::string_view text) {
                        return page->write(text, error);
                    },
                    true);
                if (!sealer->start(error)) {
                    return Finish(report, LockStatus::WriteFailed, error);
                }
            } else {
                blocks.emplace(frame.key);
                letters.reset(new char[BlockList::maxLength(chunkSize)]);
            }
            LockedTextStream text(charset.utf16(), chunkSize, [&](std::string_view piece) {
                if (sealer) {
                    return sealer->write(piece, error);
                }
                const char* end = blocks->write(piece, letters.get());
                return page->write({letters.get(), std::size_t(end - letters.get())}, error);
            });
            // The first pass read the whole page unless it stopped at its first chunk.
            const bool readAgain = count < chunkSize && length > count;
            if (readAgain && !source.rewind(error)) {
                return Finish(report, LockStatus::ReadFailed, error);
            }
            bool inHand = !readAgain;
            for (std::uint64_t enciphered = 0;; inHand = false) {
                if (!inHand && !source.read(input.get(), chunkSize, count, error)) {
                    return Finish(report, LockStatus::ReadFailed, error);
                }
                enciphered += count;
                if (!text.write({input.get(), count})) {
                    return Finish(report, LockStatus::WriteFailed, error);
                }
                if (count < chunkSize) {
                    if (readAgain && enciphered != length) {
                        return Finish(report, LockStatus::ReadFailed, path + " changed while it was being locked");
                    }
                    break;
                }
            }
            if (!text.finish() || (sealer && !sealer->finish(error)) || !page->write(frame.tail, error)
                || !(batch ? page->complete(output.attributes, error) : page->commit(output.attributes, error))) {
                return Finish(report, LockStatus::WriteFailed, error);
            }
            if (report != nullptr) {
                report->omittedUsers = std::move(omitted);
            }
            if (batch) {
                std::vector<std::unique_ptr<SafeFile::Replacement>> group;
                if (backup) {
                    group.push_back(std::move(backup));
                }
                group.push_back(std::move(page));
                report->ticket = batch->add(std::move(group));
                return Finish(report, LockStatus::Pending);
            }
            return Finish(report, LockStatus::Locked);
        }

        // Runs a lock; memory runs short only for a template or user list beyond reason, since pages go in chunks.
        template <typename Lock> bool Guarded(const std::string& path, LockReport* report, Lock lock)
        {
            try {
                return lock();
            } catch (const std::bad_alloc&) {
                return Finish(report, LockStatus::WriteFailed, "not enough memory to lock " + path);
            }
        }
    } // namespace

    bool FinishCommitted(SafeFile::CommitBatch& batch, LockReport& report)
    {
        SafeFile::CommitBatch::Result result = batch.take(report.ticket);
        if (result.renamed == result.count) {
            return Finish(&report, LockStatus::Locked);
        }
        // The backup comes first in a group of two: the page is not put in place without it.
        const bool backupFailed = result.count == 2 && result.renamed == 0;
        return Finish(
            &report, backupFailed ? LockStatus::BackupFailed : LockStatus::WriteFailed, std::move(result.error));
    }

    bool IsLockedPage(std::string_view content)
    {
        return content.starts_with(LockedMarker);
    }

    bool IsPageFileName(std::string_view name)
    {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos) {
            return false;
        }
        const std::string_view extension = name.substr(dot);
        const auto equalsLowered = [extension](std::string_view lower) {
            return std::equal(extension.begin(), extension.end(), lower.begin(), lower.end(), [](char c, char l) {
                return (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) == l;
            });
        };
        return equalsLowered(".htm") || equalsLowered(".html");
    }

    static_assert(MaxUserKeyLength == Rc4::MaxKeyLength, "a user's key is an RC4 key the page script can repeat");

    bool UserKeyFits(std::string_view entry)
    {
        const ListLines::UserEntry user = ListLines::SplitUserEntry(entry);
        const std::size_t keyLength = user.name.size() + user.password.size();
        return keyLength <= MaxUserKeyLength && user.name.find('\0') == std::string_view::npos
            && user.password.find('\0') == std::string_view::npos;
    }

    bool UserNameFits(std::string_view name)
    {
        return name.find('\t') == std::string_view::npos;
    }

    std::string RelockQuestionText(const std::string& path)
    {
        return "The html file " + path + " has been locked before, do you want to lock it again? ";
    }

    bool BuildPage(std::string_view content,
                   std::string_view password,
                   int protectionType,
                   int pageColor,
                   int passwordType,
                   const std::vector<std::string>& userList,
                   std::string& page,
                   std::vector<std::string>& omittedUsers,
                   std::string& error)
    {
        Frame frame;
        if (!FramePage(Charset::Detect(content),
                       password,
                       protectionType,
                       pageColor,
                       passwordType,
                       userList,
                       frame,
                       omittedUsers,
                       error)) {
            return false;
        }
        std::string converted;
        const std::string_view text = Charset::LockedText(content, converted);
        page.assign(frame.head.size() + BlockListLength(text.size()) + frame.tail.size(), '\0');
        char* out = std::copy(frame.head.begin(), frame.head.end(), page.data());
        out = BlockList(frame.key).write(text, out);
        std::copy(frame.tail.begin(), frame.tail.end(), out);
        return true;
    }

    namespace
    {
        // Locks the page at place in place, its backup (when asked for) at backup.
        bool LockInPlace(const Handles::Place& place, std::optional<Handles::Place> backup, const Request& request)
        {
            LockReport* const report = request.report;
            SafeFile::Source source;
            if (!OpenPage(place, request, source)) {
                return false;
            }
            std::string error;
            if (!SafeFile::MayReplace(place, error)) {
                return Finish(report, LockStatus::WriteFailed, error);
            }
            // The rename gives one name the page; the others would go on showing the content in plain.
            if (source.status().st_nlink > 1) {
                return Finish(report,
                              LockStatus::WriteFailed,
                              place.path + " has " + std::to_string(source.status().st_nlink)
                                  + " names (hard links); locking one would leave the others plain");
            }
            Output output{place, {}, std::move(backup)};
            if (!source.readAttributes(output.attributes, error)) {
                return Finish(report, LockStatus::ReadFailed, error);
            }
            TempFiles::RemoveStaleOnce(*place.folder);
            return LockOpened(source, place.path, output, request);
        }

        bool LockCopy(const Handles::Place& source, const Handles::Place& destination, const Request& request)
        {
            LockReport* const report = request.report;
            SafeFile::Source opened;
            if (!OpenPage(source, request, opened)) {
                return false;
            }
            if (opened.isAt(destination, false)) {
                return Finish(report, LockStatus::WriteFailed, destination.path + " is " + source.path + " itself");
            }
            std::string error;
            if (!SafeFile::MayReplace(destination, error)) {
                return Finish(report, LockStatus::WriteFailed, error);
            }
            Output output{destination, {}, std::nullopt};
            output.attributes.mode = opened.status().st_mode;
            TempFiles::RemoveStaleOnce(*destination.folder);
            return LockOpened(opened, source.path, output, request);
        }

        // Resolves a path named by the user; false, with the report finished, when there is nothing to lock there.
        bool Locate(const std::string& path, LockReport* report, Handles::Named& named)
        {
            std::string error;
            switch (Handles::LocateNamed(path, named, error)) {
            case Handles::Located::Found:
                return true;
            case Handles::Located::Missing:
                return Finish(report, LockStatus::Missing);
            case Handles::Located::Failed:
                break;
            }
            return Finish(report, LockStatus::ReadFailed, error);
        }

        // The backup's place beside the page's name as given: a link's backup lies beside the link.
        Handles::Place BackupBeside(const Handles::Place& given)
        {
            return {given.folder, given.name + ".bak", std::nullopt, given.path + ".bak"};
        }
    } // namespace

    bool LockPage(const std::string& path,
                  std::string_view password,
                  bool backup,
                  int protectionType,
                  int pageColor,
                  int passwordType,
                  int& answer,
                  const std::vector<std::string>& userList,
                  const RelockQuestion& ask,
                  LockReport* report,
                  SafeFile::CommitBatch* batch,
                  const Strong::Run* strong)
    {
        return LockPage(
            path,
            backup,
            {password, protectionType, pageColor, passwordType, answer, userList, ask, report, batch, strong});
    }

    bool LockPage(const std::string& path, bool backup, const LockRequest& request)
    {
        return Guarded(path, request.report, [&] {
            Handles::Named named;
            if (!Locate(path, request.report, named)) {
                return false;
            }
            return LockInPlace(named.target, backup ? std::optional(BackupBeside(named.given)) : std::nullopt, request);
        });
    }

    bool LockFoundPage(const Handles::Place& place, bool backup, const LockRequest& request)
    {
        return Guarded(place.path, request.report, [&] {
            return LockInPlace(place, backup ? std::optional(BackupBeside(place)) : std::nullopt, request);
        });
    }

    bool LockPageCopy(const std::string& source,
                      const std::string& destination,
                      std::string_view password,
                      int protectionType,
                      int pageColor,
                      int passwordType,
                      int& answer,
                      const std::vector<std::string>& userList,
                      const RelockQuestion& ask,
                      LockReport* report,
                      SafeFile::CommitBatch* batch,
                      const Strong::Run* strong)
    {
        const Request request{
            password, protectionType, pageColor, passwordType, answer, userList, ask, report, batch, strong};
        return Guarded(source, report, [&] {
            Handles::Named named;
            if (!Locate(source, report, named)) {
                return false;
            }
            std::string error;
            const Handles::Place to = Handles::PlaceOfPath(destination, error);
            if (!to.folder) {
                return Finish(report, LockStatus::WriteFailed, error);
            }
            return LockCopy(named.target, to, request);
        });
    }

    bool LockFoundPageCopy(const Handles::Place& source, const Handles::Place& destination, const LockRequest& request)
    {
        return Guarded(source.path, request.report, [&] {
            return LockCopy(source, destination, request);
        });
    }
} // namespace Encrypthtml
