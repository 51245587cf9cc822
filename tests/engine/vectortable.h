#pragma once

// Reads the reference value tables in tests/engine/data: tab-separated rows, '#' lines are comments.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace VectorTable
{
    // One row's fields; it prints as its line number so that test names stay short.
    struct Row
    {
        std::size_t line = 0;
        std::vector<std::string> fields;

        const std::string& operator[](std::size_t i) const
        {
            return fields[i];
        }
        std::size_t size() const
        {
            return fields.size();
        }
    };

    void PrintTo(const Row& row, std::ostream* os);

    // The rows of data/NAME; an unreadable table gives no rows, which the table tests report as a failure.
    std::vector<Row> Load(const std::string& name);

    // Hex digits to bytes ("6162" -> "ab").
    std::string FromHex(std::string_view hex);
} // namespace VectorTable
