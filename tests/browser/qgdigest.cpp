// Prints, for each argument (UTF-8 text, turned into engine bytes as the command does with a password), one
// line: its digest text and its four MD5 words as signed numbers, separated by TABs. The browser tests compare
// the page script's results with these.

#include "engine/md5.h"
#include "engine/textbytes.h"

#include <iostream>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string bytes = TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(argv[i]));
        std::cout << Md5::DigestText(bytes);
        for (const std::int32_t word : Md5::DigestWords(bytes)) {
            std::cout << '\t' << word;
        }
        std::cout << '\n';
    }
    return 0;
}
