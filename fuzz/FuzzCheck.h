// A property every input must keep: a broken one aborts, naming it, so that the fuzzer
// keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(ok) ((ok) ? void() : (std::fprintf(stderr, "failed: %s\n", #ok), std::abort()))
