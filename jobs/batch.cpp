#include "jobs/batch.h"

#include "engine/userlogins.h"
#include "settings/userlist.h"

#include <QDir>
#include <QFile>

namespace
{
    using Encrypthtml::LockStatus;

    QString Reason(const Encrypthtml::LockReport& report)
    {
        QString reason;
        switch (report.status) {
        case LockStatus::ReadFailed:
            reason = QStringLiteral("could not be read");
            break;
        case LockStatus::BackupFailed:
            reason = QStringLiteral("its backup copy could not be made, so it was not locked");
            break;
        case LockStatus::WriteFailed:
            reason = QStringLiteral("could not be written; it is unchanged");
            break;
        case LockStatus::Changed:
            reason = QStringLiteral("changed after it was listed and was left alone");
            break;
        default:
            return reason;
        }
        if (!report.detail.empty()) {
            reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(report.detail));
        }
        return reason;
    }
} // namespace

namespace Batch
{
    bool FileResult::isFailure() const
    {
        return report.status == LockStatus::ReadFailed || report.status == LockStatus::BackupFailed
            || report.status == LockStatus::WriteFailed || report.status == LockStatus::Changed;
    }

    Result Run(const QStringList& paths,
               const Settings& settings,
               const Encrypthtml::RelockQuestion& ask,
               const FileDone& fileDone)
    {
        Result result;
        result.files.reserve(paths.size());
        int answer = Encrypthtml::RelockAsk;
        for (int i = 0; i < paths.size(); ++i) {
            FileResult file{paths.at(i), false, {}};
            file.locked = Encrypthtml::LockPage(QFile::encodeName(file.path).toStdString(),
                                                settings.password,
                                                settings.backup(),
                                                settings.protectionType,
                                                settings.pageColor,
                                                settings.passwordType,
                                                answer,
                                                settings.userList,
                                                ask,
                                                &file.report,
                                                nullptr,
                                                settings.strong);
            result.count += file.locked ? 1 : 0;
            result.files.push_back(std::move(file));
            fileDone(i, result.files.back());
        }
        if (settings.passwordType == Encrypthtml::UserPassword && result.count > 0) {
            result.leftOutUsers = settings.leftOutUsers;
        }
        return result;
    }

    Strong::RunOptions StrongRunOptions(const QString& password, const QStringList& users)
    {
        Strong::RunOptions options;
        options.password = password.toStdString();
        for (const QString& entry : users) {
            options.users.push_back({UserList::nameOf(entry).toStdString(), UserList::passwordOf(entry).toStdString()});
        }
        return options;
    }

    QString CountText(int count)
    {
        return QString::number(count) + QStringLiteral(" file(s) have been encrypted.");
    }

    QString FailureText(const Result& result, int maxListed)
    {
        QStringList lines;
        int failures = 0;
        for (const FileResult& file : result.files) {
            if (!file.isFailure()) {
                continue;
            }
            if (++failures <= maxListed) {
                lines.append(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.path), Reason(file.report)));
            }
        }
        if (failures == 0) {
            return {};
        }
        if (failures > maxListed) {
            lines.append(QStringLiteral("... and %1 more.").arg(failures - maxListed));
        }
        const QString heading = failures == 1 ? QStringLiteral("This file could not be locked:")
                                              : QStringLiteral("These %1 files could not be locked:").arg(failures);
        return heading + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
    }

    QString KeptBackupsText(const Result& result)
    {
        QStringList backups;
        for (const FileResult& file : result.files) {
            if (file.report.backupKept) {
                backups.append(QDir::toNativeSeparators(file.path + QStringLiteral(".bak")));
            }
        }
        if (backups.isEmpty()) {
            return {};
        }
        return QStringLiteral("These backup files hold their pages unlocked and were kept as they are; the pages were "
                              "locked again without a new backup:\n\n")
            + backups.join(QLatin1Char('\n'));
    }

    QString OmittedUsersText(const Result& result)
    {
        QStringList lines = result.leftOutUsers;
        const QString unusable =
            QStringLiteral(": ") + QString::fromStdString(UserLogins::BarText(UserLogins::Bar::KeyUnusable));
        for (const FileResult& file : result.files) {
            for (const std::string& name : file.report.omittedUsers) {
                // Engine bytes are the typed characters modulo 256, so Latin-1 gives the typed name back.
                lines.append(QString::fromLatin1(name) + unusable);
            }
        }
        lines.removeDuplicates();
        if (lines.isEmpty()) {
            return {};
        }
        return QStringLiteral("These users were left out of the locked pages and cannot log in:\n\n")
            + lines.join(QLatin1Char('\n'));
    }
} // namespace Batch
