// How the window benchmarks report: one `name value` line per figure, each
// the median of a few runs, written out at once so that a run cut short
// still shows what it measured.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline void print(const char* name, double value)
{
    std::printf("%s %.2f\n", name, value);
    std::fflush(stdout);
}
