#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace LockFixture
{
    TempFolder::TempFolder()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() / ("quillgate-engine-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }

    TempFolder::~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string TempFolder::File(std::string_view name) const
    {
        return (m_path / name).string();
    }

    std::vector<std::string> TempFolder::Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void WriteFile(const std::filesystem::path& path, std::string_view bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good()) << path;
    }

    std::vector<std::string> BlockList(const std::string& page)
    {
        const std::string open = "NNNII=[";
        const std::size_t start = page.find(open);
        EXPECT_NE(start, std::string::npos);
        if (start == std::string::npos) {
            return {};
        }
        const std::size_t end = page.find(']', start);
        const std::string list = page.substr(start + open.size(), end - start - open.size());
        std::vector<std::string> blocks;
        for (std::size_t at = 0; at < list.size();) {
            const std::size_t comma = std::min(list.find(',', at), list.size());
            const std::string quoted = list.substr(at, comma - at);
            EXPECT_TRUE(quoted.size() >= 2 && quoted.front() == '\'' && quoted.back() == '\'') << quoted;
            blocks.push_back(quoted.substr(1, quoted.size() - 2));
            at = comma + 1;
            EXPECT_FALSE(comma + 1 == list.size()) << "comma after the last block";
        }
        return blocks;
    }

    std::string SampleContent(std::size_t n)
    {
        std::string content(n, '\0');
        for (std::size_t i = 0; i < n; ++i) {
            content[i] = static_cast<char>((i * 37 + i / 256) & 255);
        }
        return content;
    }

    std::string Utf16File(std::u16string_view text, bool bigEndian)
    {
        std::string file = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : text) {
            const char high = static_cast<char>(unit >> 8);
            const char low = static_cast<char>(unit & 0xFF);
            file += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return file;
    }

    void PrintTo(const FileState& state, std::ostream* os)
    {
        *os << state.bytes.size() << " bytes, " << state.owner << ":" << state.group << ", mode " << std::oct
            << state.mode << std::dec;
        for (const auto& [name, value] : state.extended) {
            *os << ", " << name << " (" << value.size() << " bytes)";
        }
    }

    FileState AttributesOf(const std::filesystem::path& path)
    {
        FileState state;
        struct stat status = {};
        EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
        state.owner = status.st_uid;
        state.group = status.st_gid;
        state.mode = status.st_mode & 07777;
        std::string names(65536, '\0');
        const ssize_t length = listxattr(path.c_str(), names.data(), names.size());
        names.resize(length > 0 ? std::size_t(length) : 0);
        for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
            const std::string name = names.c_str() + at;
            std::string value(65536, '\0');
            const ssize_t size = getxattr(path.c_str(), name.c_str(), value.data(), value.size());
            EXPECT_GE(size, 0) << name;
            value.resize(size > 0 ? std::size_t(size) : 0);
            state.extended[name] = value;
        }
        return state;
    }

    FileState StateOf(const std::filesystem::path& path)
    {
        FileState state = AttributesOf(path);
        state.bytes = ReadFile(path);
        return state;
    }

    std::optional<std::string> AsNobody(const std::function<std::string()>& work)
    {
        int channel[2];
        if (pipe(channel) != 0) {
            return std::nullopt;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            if (setgid(Nobody) != 0 || setuid(Nobody) != 0) {
                _exit(1);
            }
            const std::string text = work();
            const bool sent = write(channel[1], text.data(), text.size()) == ssize_t(text.size());
            _exit(sent ? 0 : 1);
        }
        close(channel[1]);
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
            text.append(buffer, std::size_t(got));
        }
        close(channel[0]);
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return std::nullopt;
        }
        return text;
    }
} // namespace LockFixture
