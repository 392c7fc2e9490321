/*
 * Benchmark main with ratios: runs the registered benchmarks with the console reporter
 * and then prints, for every benchmark named "X/..." that has a twin "X_baseline/...",
 * the ratio of their real times, which is the number each target is stated in.
 */
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace kavdb::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            if (r.run_type == Run::RT_Iteration) {
                times_[r.benchmark_name()] = r.GetAdjustedRealTime();
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, t] : times_) {
            auto slash = name.find('/');
            std::string head = name.substr(0, slash);
            std::string tail = slash == std::string::npos ? "" : name.substr(slash);
            auto base = times_.find(head + "_baseline" + tail);
            if (base != times_.end() && base->second > 0) {
                std::printf("ratio %s / baseline = %.2f\n", name.c_str(), t / base->second);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

inline int runWithRatios(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace kavdb::bench

#define KAVDB_BENCHMARK_MAIN()                                                                  \
    int main(int argc, char** argv) { return kavdb::bench::runWithRatios(argc, argv); }
