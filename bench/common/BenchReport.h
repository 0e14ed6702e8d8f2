#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// Prints one figure in the form every benchmark shares:
//   BENCH <name> <value> <unit> <op> <target>
inline void ReportBench(const std::string& name, double value, const char* unit, const char* op,
                        double target)
{
    std::printf("BENCH %s %.3f %s %s %g\n", name.c_str(), value, unit, op, target);
    std::fflush(stdout);
}

inline double MedianOf(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double PercentileOf(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

template <typename F>
double MicrosecondsOf(F&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}
