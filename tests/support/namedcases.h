#pragma once

// Parameterised GoogleTest cases that carry their own name (a `name` member): each case is listed, filtered and
// reported under it instead of a running number.

#include <gtest/gtest.h>

#include <string>

namespace NamedCases
{
    // The name generator for INSTANTIATE_TEST_SUITE_P: INSTANTIATE_TEST_SUITE_P(Cases, Table, Values(...), ByName()).
    struct ByName
    {
        template <typename Case> std::string operator()(const testing::TestParamInfo<Case>& info) const
        {
            return std::string(info.param.name);
        }
    };
} // namespace NamedCases
