/*
 * Benchmark main with ratios: runs the registered benchmarks with the console reporter
 * and then prints, for every benchmark named "X/..." that has a twin "X_baseline/...",
 * the ratio of their real times, which is the number each target is stated in. A
 * benchmark run with repetitions counts by its median, which a noisy neighbour on a
 * shared machine moves far less than the mean.
 */
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kavdb::bench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            std::string name = r.run_name.str();
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                times_[name] = r.GetAdjustedRealTime();
                medians_[name] = true;
            } else if (r.run_type == Run::RT_Iteration && !medians_[name]) {
                times_[name] = r.GetAdjustedRealTime();
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
    std::map<std::string, bool> medians_;
};

/* Repetitions of a pair are interleaved unless the command line says otherwise, so that
 * a slow spell of a shared machine falls on both sides of a ratio alike. */
inline int runWithRatios(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (char* a : args) {
        given = given || std::string(a).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    }
    if (!given) {
        args.insert(args.begin() + 1, interleave);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace kavdb::bench

#define KAVDB_BENCHMARK_MAIN()                                                                     \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return kavdb::bench::runWithRatios(argc, argv);                                            \
    }
