#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>

// Unlike assert it holds in every build type; it aborts, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void() : (std::fputs("check failed: " #condition "\n", stderr), std::abort()))

// The same cells, a number being the same value (not-a-number included).
template <typename Rows> bool sameRows(const Rows& a, const Rows& b)
{
    return std::ranges::equal(a, b, [](const auto& r, const auto& s) {
        return std::ranges::equal(r, s, [](const auto& x, const auto& y) {
            return x.kind == y.kind && x.text == y.text &&
                   (x.number == y.number || (x.number != x.number && y.number != y.number));
        });
    });
}
