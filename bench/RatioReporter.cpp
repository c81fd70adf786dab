// RatioReporter: picking one figure per benchmark (median when repeated) and printing the table.
#include "RatioReporter.h"

#include <cstdio>
#include <ostream>

namespace {

double toMicroseconds(double value, benchmark::TimeUnit unit)
{
    switch (unit) {
    case benchmark::kNanosecond: return value / 1e3;
    case benchmark::kMicrosecond: return value;
    case benchmark::kMillisecond: return value * 1e3;
    case benchmark::kSecond: return value * 1e6;
    }
    return value;
}

}  // namespace

RatioReporter::RatioReporter(std::string floorName)
    : benchmark::ConsoleReporter(OO_Tabular), floorName(std::move(floorName))
{
}

void RatioReporter::ReportRuns(const std::vector<Run>& reports)
{
    benchmark::ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        if (run.error_occurred)
            continue;
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (!single && !median)
            continue;
        repeated = repeated || median;
        double perIteration = toMicroseconds(run.GetAdjustedCPUTime(), run.time_unit);
        const auto ops = run.counters.find("ops");
        if (ops != run.counters.end() && ops->second.value > 0)
            perIteration /= ops->second.value;
        figures.emplace_back(run.run_name.str(), perIteration);
    }
}

double RatioReporter::microseconds(const std::string& name) const
{
    for (const auto& figure : figures)
        if (figure.first == name)
            return figure.second;
    return -1.0;
}

void RatioReporter::printTable(std::ostream& out) const
{
    const double floor = microseconds(floorName);
    char line[160];
    out << "\n"
        << (repeated ? "Medians" : "Single runs") << " of CPU time per operation; ratio to "
        << floorName << " of this run.\n\n";
    std::snprintf(line, sizeof line, "| %-34s | %12s | %9s |\n", "benchmark", "microseconds",
                  "x floor");
    out << line;
    out << "|" << std::string(36, '-') << "|" << std::string(13, '-') << ":|"
        << std::string(10, '-') << ":|\n";
    for (const auto& [name, value] : figures) {
        if (floor > 0)
            std::snprintf(line, sizeof line, "| %-34s | %12.1f | %9.2f |\n", name.c_str(), value,
                          value / floor);
        else
            std::snprintf(line, sizeof line, "| %-34s | %12.1f | %9s |\n", name.c_str(), value,
                          "-");
        out << line;
    }
}
