#pragma once

// The rules behind the "Step 3" choices and the paths of the files that lie beside the program, as plain
// functions so that they can be checked without a window.

#include "jobs/batch.h"

#include <QChar>
#include <QDir>
#include <QString>
#include <QStringList>

namespace PageOptions
{
    // The items of CmbPasswordType, and an item index (-1: none) to the password type code.
    QStringList PasswordTypeCaptions();
    int PasswordTypeCode(int index);

    // The items of CmbProtectionType, and an item index (-1: none) to the protection code and the number of its
    // explanation text.
    QStringList ProtectionCaptions();
    int ProtectionCode(int index);
    int ProtectionTextId(int index);
    // The explanation texts of all protection choices, in item order.
    QStringList ProtectionTexts();

    // The items of CmbPageColor, and an item index (-1: none) to the colour code and the sample page folder's name.
    QStringList ColorCaptions();
    int ColorCode(int index);
    QString ColorFolder(int index);

    // The items of CmbEncryption, and an item index (-1: none) to the page format, the number of its explanation text
    // and the folder of its sample pages below Templates (empty: Templates itself).
    QStringList EncryptionCaptions();
    Batch::Encryption EncryptionCode(int index);
    int EncryptionTextId(int index);
    QString EncryptionFolder(int index);
    // The explanation texts of all encryption choices, in item order.
    QStringList EncryptionTexts();

    // The folder of the program without one trailing separator, so that appending a separator and a name
    // gives a single separator even when the program lies in a root folder ("/", "C:\").
    QString ProgramFolder(const QString& programDir, QChar separator = QDir::separator());

    // programFolder followed by relative, whose "/" separators are written as separator.
    QString DataPath(const QString& programFolder, const QString& relative, QChar separator = QDir::separator());

    // The sample page for a colour, a password type and an encryption choice, below programFolder.
    QString SamplePagePath(const QString& programFolder,
                           int colorIndex,
                           int passwordType,
                           int encryptionIndex,
                           QChar separator = QDir::separator());

    // The running program's folder, in the platform's form.
    QString RunningProgramFolder();
} // namespace PageOptions
