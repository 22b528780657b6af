#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>

// Unlike assert it holds in every build type; it aborts, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void() : (std::fputs("check failed: " #condition "\n", stderr), std::abort()))
