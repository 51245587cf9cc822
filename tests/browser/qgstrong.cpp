// Locks files in place as strong pages of one run, for the browser tests:
//   qg-strong --password P [--user NAME PASSWORD]... [--iterations N] [--protection CODE] [--color CODE]
//             [--charset LABEL] [--seed SEED] FILE...
// Arguments are UTF-8. --seed makes the run's random bytes predictable (test vectors only).

#include "engine/strongrun.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace
{
    int Fail(const std::string& message)
    {
        std::cerr << "qg-strong: " << message << '\n';
        return 1;
    }
} // namespace

int main(int argc, char** argv)
{
    Strong::RunOptions options;
    int protection = 1000;
    int color = 0xFFFFFF;
    std::string charset;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const int left = argc - i - 1;
        if (arg == "--user" && left >= 2) {
            options.users.push_back({argv[i + 1], argv[i + 2]});
            i += 2;
        } else if (arg.starts_with("--") && left >= 1) {
            const std::string value = argv[++i];
            if (arg == "--password") {
                options.password = value;
            } else if (arg == "--iterations") {
                options.iterations = static_cast<std::uint32_t>(std::stoul(value));
            } else if (arg == "--protection") {
                protection = std::stoi(value);
            } else if (arg == "--color") {
                color = std::stoi(value, nullptr, 0);
            } else if (arg == "--charset") {
                charset = value;
            } else if (arg == "--seed") {
                options.random = Strong::PredictableRandom(value);
            } else {
                return Fail("unknown option " + arg);
            }
        } else {
            files.push_back(arg);
        }
    }
    std::string error;
    const std::optional<Strong::Run> run = Strong::Run::make(options, error);
    if (!run) {
        return Fail(error);
    }
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::string page;
        if (!in || !run->buildPage(content, protection, color, charset, page, error)) {
            return Fail(file + ": " + (error.empty() ? "cannot be read" : error));
        }
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!(out << page) || !out.flush()) {
            return Fail(file + ": cannot be written");
        }
    }
    return 0;
}
