#pragma once

// The locked page template and its fragments, read from the sections of engine/pagetemplate.html, which is
// compiled into the engine.

#include <map>
#include <string>
#include <string_view>

namespace PageTemplate
{
    // The section names, each of which the file must hold.
    constexpr std::string_view Page = "PAGE";
    constexpr std::string_view UserParaInfo = "USERPARAINFO";
    constexpr std::string_view UserTextInputValue = "USERTEXTINPUTVALUE";
    constexpr std::string_view UserInputText = "USERINPUTTEXT";
    constexpr std::string_view MasterPassword = "MASTERPASSWORD";
    constexpr std::string_view OnloadPageSingle = "ONLOAD_PAGE_SINGLE";
    constexpr std::string_view OnloadPageUser = "ONLOAD_PAGE_USER";
    constexpr std::string_view OnloadCookieSingle = "ONLOAD_COOKIE_SINGLE";
    constexpr std::string_view OnloadCookieUser = "ONLOAD_COOKIE_USER";
    constexpr std::string_view SaveSessionSingle = "SAVE_SESSION_SINGLE";
    constexpr std::string_view SaveSessionUser = "SAVE_SESSION_USER";
    constexpr std::string_view SaveCookieSingle = "SAVE_COOKIE_SINGLE";
    constexpr std::string_view SaveCookieUser = "SAVE_COOKIE_USER";

    // The placeholders of the page and the one of the master-password fragment.
    constexpr std::string_view CheckValueMark = "<#MD5HASHEDPASSWORDCRC>";
    constexpr std::string_view UserParaInfoMark = "<#USERPARAINFO>";
    constexpr std::string_view BlockListMark = "<#ENCRYPTEDFILEINFO>";
    constexpr std::string_view MasterPasswordMark = "<#CALCMASTERPASSWORD>";
    constexpr std::string_view UserMasterStringMark = "<#USERMASTERPASSWORDSTRING>";
    constexpr std::string_view OnloadMark = "<#ONLOADCHECKFUNCTION>";
    constexpr std::string_view SavePasswordMark = "<#SAVEPASSWORD>";
    constexpr std::string_view UserTextInputValueMark = "<#USERTEXTINPUTVALUE>";
    constexpr std::string_view BackgroundColorMark = "<#BACKGROUNDCOLOR>";
    constexpr std::string_view TextColorMark = "<#TEXTCOLOR>";
    constexpr std::string_view UserInputTextMark = "<#USERINPUTTEXT>";
    // The label of the source's character set (Charset::Detector), which the page declares.
    constexpr std::string_view CharsetMark = "<#CHARSET>";

    class Template
    {
    public:
        // The section's text with CR LF line breaks; empty for a name the template does not hold.
        const std::string& section(std::string_view name) const;

        std::map<std::string, std::string, std::less<>> sections;
    };

    // Reads a template file: a line "@@NAME" starts section NAME, whose text is every line after it up to the
    // next "@@" line, without the line break just before that line (or the end of the file). Every LF becomes
    // CR LF. False, with the reason in error, when a section is missing or twice, when the page does not start
    // with the locked-page marker, or when a placeholder does not stand exactly once where it belongs.
    bool Parse(std::string_view fileText, Template& result, std::string& error);

    // The bytes of engine/pagetemplate.html as built into the program.
    std::string_view EmbeddedFile();

    // The built-in template, parsed once; nullptr, with the reason in error, when it is unusable.
    const Template* Embedded(std::string& error);
} // namespace PageTemplate
