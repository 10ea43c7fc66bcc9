// The stages of a conversion one by one, on a generated file held in memory: where the
// time goes when scripts/bench.sh reports the whole program.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/gtm_generator.h"
#include "waypoints/display_line.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace {

using quendra::GtmWaypointSet;
using quendra::WtrWaypointSet;

const std::vector<std::uint8_t>& GtmBytes(std::int64_t waypoints) {
    static std::map<std::int64_t, std::vector<std::uint8_t>> files;
    auto& bytes = files[waypoints];
    if (bytes.empty()) bytes = quendra::bench::MakeGtm(static_cast<std::uint32_t>(waypoints));
    return bytes;
}

void Report(benchmark::State& state, std::size_t bytesPerIteration) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytesPerIteration));
}

// Reading as the conversion does.
void BM_LoadGtm(benchmark::State& state) {
    const auto& bytes = GtmBytes(state.range(0));
    for (auto _ : state) {
        GtmWaypointSet set;
        if (!set.LoadFromBytes(bytes)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(set.records.get());
    }
    Report(state, bytes.size());
}

// Reading as the dialog's list does, every display line kept.
void BM_LoadGtmListing(benchmark::State& state) {
    const auto& bytes = GtmBytes(state.range(0));
    for (auto _ : state) {
        GtmWaypointSet set;
        if (!set.LoadFromBytes(bytes)) state.SkipWithError("load failed");
        std::vector<std::string> lines;
        for (std::int32_t i = 0; i < set.count; ++i) {
            lines.push_back(quendra::DisplayLine(set.records[i]));
        }
        benchmark::DoNotOptimize(lines.data());
    }
    Report(state, bytes.size());
}

void BM_BuildWtr(benchmark::State& state) {
    GtmWaypointSet gtm;
    if (!gtm.LoadFromBytes(GtmBytes(state.range(0)))) state.SkipWithError("load failed");
    for (auto _ : state) {
        WtrWaypointSet wtr;
        if (!wtr.BuildFrom(gtm.count, gtm.records.get())) state.SkipWithError("build failed");
        benchmark::DoNotOptimize(wtr.records.get());
    }
    Report(state, static_cast<std::size_t>(gtm.count) * quendra::kWtrRecordSize);
}

// Includes the flush to disk that makes the replace safe.
void BM_SaveWtr(benchmark::State& state) {
    GtmWaypointSet gtm;
    WtrWaypointSet wtr;
    if (!gtm.LoadFromBytes(GtmBytes(state.range(0))) ||
        !wtr.BuildFrom(gtm.count, gtm.records.get())) {
        state.SkipWithError("setup failed");
    }
    std::filesystem::path target =
        std::filesystem::temp_directory_path() / "quendra_converter_bench.wtr";
    for (auto _ : state) {
        if (!wtr.Save(target)) state.SkipWithError("save failed");
    }
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    Report(state, 2 * quendra::kWtrMarkerSize + 16 +
                      static_cast<std::size_t>(wtr.count) * quendra::kWtrRecordSize);
}

}  // namespace

BENCHMARK(BM_LoadGtm)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGtmListing)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildWtr)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWtr)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
