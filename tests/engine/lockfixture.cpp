#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

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
} // namespace LockFixture
