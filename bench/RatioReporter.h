// RatioReporter: the console reporter of Google Benchmark that also keeps, for every benchmark,
// one figure (the median of the repetitions, or the single run) and prints them at the end as a
// table with each figure's ratio to a chosen floor benchmark of the same run. Owns its figures.
#pragma once

#include <benchmark/benchmark.h>

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // floorName: the benchmark every figure is divided by.
    explicit RatioReporter(std::string floorName);

    void ReportRuns(const std::vector<Run>& reports) override;

    // CPU microseconds per operation of the named benchmark (an iteration divided by its "ops"
    // counter when it has one); negative when the benchmark did not run.
    double microseconds(const std::string& name) const;
    // Prints name, figure and ratio to the floor for every benchmark, in the order they ran.
    void printTable(std::ostream& out) const;

private:
    std::string floorName;
    // Benchmark name and CPU microseconds per operation.
    std::vector<std::pair<std::string, double>> figures;
    bool repeated = false;
};
