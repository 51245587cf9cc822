#include "settings/passwordsettings.h"

#include "engine/textbytes.h"

namespace
{
    std::u16string_view View(const QString& text)
    {
        return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
    }
} // namespace

namespace PasswordSettings
{
    QString Trimmed(const QString& text)
    {
        const std::u16string_view trimmed = TextBytes::Trimmed(View(text));
        return QString(reinterpret_cast<const QChar*>(trimmed.data()), static_cast<qsizetype>(trimmed.size()));
    }

    bool IsLengthValid(const QString& text)
    {
        return TextBytes::IsPasswordLengthValid(static_cast<std::size_t>(Trimmed(text).size()));
    }

    QString LengthMessage()
    {
        return QString::fromStdString(TextBytes::PasswordLengthMessage());
    }

    QString LengthHint()
    {
        return QStringLiteral("[%1 characters]").arg(QString::fromStdString(TextBytes::PasswordLengthRange()));
    }

    std::optional<QString> CheckPasswordPair(const QString& password, const QString& confirmation)
    {
        const QString trimmedPassword = Trimmed(password);
        if (trimmedPassword != Trimmed(confirmation)) {
            return QStringLiteral("Password and password confirmation don't match!");
        }
        if (!IsLengthValid(trimmedPassword)) {
            return LengthMessage();
        }
        return std::nullopt;
    }

    std::string ToEngineBytes(const QString& text)
    {
        return TextBytes::UnicodeToBytes(View(text));
    }
} // namespace PasswordSettings
