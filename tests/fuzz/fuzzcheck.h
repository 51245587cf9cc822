#pragma once

// The one way a fuzz target reports a broken property: it names the property and aborts, so libFuzzer keeps
// the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace FuzzCheck
{
    inline void Require(bool holds, const char* property)
    {
        if (!holds) {
            std::fprintf(stderr, "property broken: %s\n", property);
            std::abort();
        }
    }
} // namespace FuzzCheck
