// The whole conversion of any bytes (GTM or GPX, inflated when compressed, as a file is, or WTR
// saved again): load,
// the simple mode's verdict taken as --hu-tzu-shan=shift takes it, build, and the accurate
// mode on the same bytes; then gtm2wtr saves the same bytes over an old file in a private
// folder. It succeeds exactly when the library's steps do, replacing the old file with the
// WTR layout (16-byte marker, 64 bytes a waypoint, two markers); otherwise the old file stays
// byte for byte. No temporary file may remain. (What each datum's verdict is, is
// CheckDatum's unit test's.)
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/temp_dir.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/waypoint_file.h"
#include "waypoints/wtr_waypoint_set.h"

using namespace quendra;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // On tmpfs when there is one: saving syncs every file, which a disk makes slow.
    static const testing::TempDir scratch(fs::is_directory("/dev/shm") ? "/dev/shm"
                                                                       : fs::temp_directory_path());
    const fs::path input = scratch / "input.gtm", output = scratch / "old.wtr";
    testing::WriteBytes(input, {data, data + size});
    static CodePageEncoder names;
    static const bool namesOpen = names.Open(kGpxNameCodePage);
    FUZZ_CHECK(namesOpen);
    WaypointFile file;
    const GtmWaypointSet& set = file.set;
    bool loaded = file.LoadFromBytes({data, size}, names);
    // A WTR file, which is neither, is saved again as it is.
    WtrWaypointSet asWtr;
    bool converts = !loaded && set.error == Failure::WrongSignature &&
                    asWtr.LoadFromBytes({data, size}) && asWtr.count > 0;
    if (loaded && set.count > 0) {
        // The accurate mode on whatever positions the file holds, out of range or not finite.
        WtrWaypointSet{}.BuildFrom(set.count, set.records.get(),
                                   set.CheckDatum(DatumMode::Accurate).conversion);
        const DatumVerdict simple = set.CheckDatum(DatumMode::Simple);
        converts = simple.kind != DatumVerdict::Kind::Refuse &&
                   WtrWaypointSet{}.BuildFrom(set.count, set.records.get(), simple.conversion);
    }

    const std::string old = "old file\n";
    std::ofstream(output) << old;
    const testing::CliRun run =
        testing::Gtm2wtr({"--hu-tzu-shan=shift", input.string(), output.string()});
    FUZZ_CHECK(run.exit == (converts ? kExitSuccess : kExitFailure) && !run.err.empty());
    std::ifstream written(output, std::ios::binary);
    std::string wtr{std::istreambuf_iterator<char>(written), {}};
    std::size_t track =
        converts ? 16 + 64 * static_cast<std::size_t>(std::max(set.count, asWtr.count)) : 0;
    FUZZ_CHECK(converts ? wtr.size() == track + 32 && wtr.starts_with("\xFFWpt\xFF") &&
                              wtr.compare(track, 5, "\xFFTrk\xFF") == 0 &&
                              wtr.compare(track + 16, 5, "\xFFRte\xFF") == 0
                        : wtr == old);
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        FUZZ_CHECK(entry.path() == input || entry.path() == output);
    }
    return 0;
}
