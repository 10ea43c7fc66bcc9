// The stages of a conversion one by one, on a generated file held in memory: where the
// time goes when scripts/bench.sh reports the whole program.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string_view>
#include <vector>

#include "bench/gtm_generator.h"
#include "platform/line_sink.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace {

using quendra::GtmWaypointSet;
using quendra::WtrWaypointSet;

class DiscardLines : public quendra::LineSink {
public:
    void AddLine(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
    bool WantsLines() const override { return false; }
};

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

// Reading as the conversion does, the display lines thrown away.
void BM_LoadGtm(benchmark::State& state) {
    const auto& bytes = GtmBytes(state.range(0));
    for (auto _ : state) {
        GtmWaypointSet set;
        DiscardLines lines;
        if (!set.LoadFromBytes(bytes, lines)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(set.records.get());
    }
    Report(state, bytes.size());
}

// Reading as the dialog's list does, every display line kept.
void BM_LoadGtmListing(benchmark::State& state) {
    const auto& bytes = GtmBytes(state.range(0));
    for (auto _ : state) {
        GtmWaypointSet set;
        quendra::VectorLineSink lines;
        if (!set.LoadFromBytes(bytes, lines)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(lines.lines.data());
    }
    Report(state, bytes.size());
}

void BM_BuildWtr(benchmark::State& state) {
    GtmWaypointSet gtm;
    DiscardLines lines;
    if (!gtm.LoadFromBytes(GtmBytes(state.range(0)), lines)) state.SkipWithError("load failed");
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
    DiscardLines lines;
    WtrWaypointSet wtr;
    if (!gtm.LoadFromBytes(GtmBytes(state.range(0)), lines) ||
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
