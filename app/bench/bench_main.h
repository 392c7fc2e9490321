/*
 * The main of the kavdb benchmarks: libvips started first (for the photos they make),
 * the benchmarks' own set-up, then Google Benchmark.
 */
#pragma once

#include "imaging/vips_runtime.h"

#include <benchmark/benchmark.h>

namespace kavdb::bench {

inline int runBenchmarks(int argc, char** argv, void (*prepare)() = nullptr)
{
    imaging::startVips(argv[0]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (prepare)
        prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace kavdb::bench
