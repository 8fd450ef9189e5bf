#pragma once
// Small helpers for the benchmarks: timing, medians, temporary data, memory.
#include <QByteArray>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace Bench {

using Clock = std::chrono::steady_clock;

inline double secondsOf(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n == 0)
        return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Pair
{
    double program = 0;
    double baseline = 0;
};

// Runs the program and the baseline alternately, `rounds` times each (after one
// warm-up of each), with a preparation step before every single run.
Pair alternate(int rounds, const std::function<void()> &prepare,
               const std::function<void()> &program, const std::function<void()> &baseline);

// Prints one result line: case, medians, ratio, goal, and an optional note.
void report(const char *name, const Pair &medians, double goal, const std::string &note = {});

// A temporary folder removed with everything in it when the object dies.
class Scratch
{
public:
    explicit Scratch(const char *tag);
    ~Scratch();
    const QByteArray &path() const { return m_path; }

private:
    QByteArray m_path;
};

void makeFiles(const QByteArray &folder, int count, const QByteArray &prefix, const QByteArray &suffix, size_t bytes = 0);
void removeTree(const QByteArray &path);

// Peak resident memory since the last reset (VmHWM), in bytes.
long peakRss();
void resetPeakRss();
long currentRss();

// Times a child process (posix_spawn + wait), in seconds.
double runProcess(const std::vector<std::string> &argv);

bool allGoalsMet();

} // namespace Bench
