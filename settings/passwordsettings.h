#pragma once

// The password rules shared by the password page, the user dialog and batch creation.

#include <QString>

#include <optional>
#include <string>

namespace PasswordSettings
{
    // The trim rule: without leading and trailing characters of code 32 or less.
    QString Trimmed(const QString& text);

    // True when the trimmed text has TextBytes::MinPasswordLength to MaxPasswordLength characters.
    bool IsLengthValid(const QString& text);

    // The message for a password whose trimmed length is out of bounds.
    QString LengthMessage();

    // The hint shown beside a password box: "[6--25 characters]".
    QString LengthHint();

    // Checks a password against its confirmation, both trimmed: the refusal message, or nothing when accepted.
    std::optional<QString> CheckPasswordPair(const QString& password, const QString& confirmation);

    // Typed text to engine bytes (each UTF-16 code unit modulo 256).
    std::string ToEngineBytes(const QString& text);
} // namespace PasswordSettings
