// Times of one benchmark operation, in milliseconds, and their summary line.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

struct Times {
    std::vector<double> ms;
    void time(const std::function<void()>& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    // "name  median  min  max  target", the name in `width` columns.
    void print(const char* name, const char* target = "", int width = 34) {
        const double m = median();
        std::printf("%-*s %9.2f %9.2f %9.2f   %s\n", width, name, m, ms.front(), ms.back(), target);
    }
};
