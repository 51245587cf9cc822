#include "tests/engine/vectortable.h"

#include <fstream>

namespace VectorTable
{
    std::vector<Row> Load(const std::string& name)
    {
        std::ifstream in(std::string(QUILLGATE_ENGINE_TEST_DATA) + "/" + name);
        std::vector<Row> rows;
        std::string line;
        for (std::size_t number = 1; std::getline(in, line); ++number) {
            if (line.starts_with('#')) {
                continue;
            }
            Row row{number, {}};
            std::size_t start = 0;
            for (;;) {
                const std::size_t tab = line.find('\t', start);
                row.fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
                if (tab == std::string::npos) {
                    break;
                }
                start = tab + 1;
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void PrintTo(const Row& row, std::ostream* os)
    {
        *os << "line " << row.line;
    }

    std::string FromHex(std::string_view hex)
    {
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
        }
        return bytes;
    }
} // namespace VectorTable
