#pragma once

// One table of user list lines for the tests of both fronts, the command's (tests/cli) and the wizard's
// (tests/settings): whether the user of a line can log in on a classic and on a strong page. Each row is tried
// beside Companion, who can log in on both, so a row's user is left out and named, never the whole list refused;
// the lists that are refused whole are in Lists.

#include <string>
#include <vector>

namespace UserLoginRows
{
    struct Row
    {
        const char* name;
        std::string line; // user name, TAB, password, as UTF-8
        bool classic; // the user can log in on a classic page
        bool strong; // ... and on a strong page
    };

    inline const std::string Companion = "anna\tsecret1";

    inline std::string Repeated(const std::string& text, int times)
    {
        std::string repeated;
        for (int i = 0; i < times; ++i) {
            repeated += text;
        }
        return repeated;
    }

    // Classic pages read each UTF-16 code unit of what is typed as one byte: U+00FC is one, U+1F601 two, U+4E09
    // becomes 09 (a TAB) and U+0100 a zero byte.
    inline const Row Rows[] = {
        {"EmptyPassword", "bob\t", false, false},
        {"BlankPassword", "bob\t ", true, true},
        {"PasswordHoldingTabs", "carl\tbob\tx", true, true},
        {"KeyOf256Bytes", std::string(250, 'u') + "\t" + std::string(6, 'p'), true, true},
        {"KeyOf257Bytes", std::string(251, 'u') + "\t" + std::string(6, 'p'), false, true},
        {"TwoByteCharactersAreOnePageByteEach", Repeated("\xC3\xBC", 200) + "\t" + std::string(56, 'p'), true, true},
        {"CharactersBeyondTheBmpAreTwoPageBytesEach",
         Repeated("\xF0\x9F\x98\x81", 125) + "\t" + std::string(7, 'p'),
         false,
         true},
        {"NameThePageReadsWithATab", "\xE5\xBC\xA0\xE4\xB8\x89\tpassword", false, true},
        {"TabCodeInThePasswordIsHarmless", "zhang\tpass\xE4\xB8\x89word", true, true},
        {"CharacterThePageReadsAsAZeroByte", "a\xC4\x80z\tpassword", false, true},
        {"DecomposedName", "Zoe\xCC\x88\tcr\xC3\xA8me", true, true},
    };

    struct List
    {
        const char* name;
        std::vector<std::string> lines;
        bool classicRefused;
        bool strongRefused;
    };

    inline const List Lists[] = {
        {"EmptyList", {}, true, true},
        {"NobodyCanLogIn", {"bob\t", "carl\t"}, true, true},
        {"OnlyAStrongPageCanLetIn", {"bob\t", "\xE5\xBC\xA0\xE4\xB8\x89\tpassword"}, true, false},
        {"NameGivenTwice", {"ann\tfirst", "ann\tsecond"}, false, true},
        {"NameGivenTwiceInNfc", {"Zo\xC3\xAB\tfirst", "Zoe\xCC\x88\tsecond"}, false, true},
        {"NameTwiceOnceWithoutAPassword", {"ann\t", "ann\tsecond"}, false, false},
    };
} // namespace UserLoginRows
