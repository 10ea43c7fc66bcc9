// The whole conversion, from bytes to a saved WTR file: load, the datum check answered
// No and Yes, build, save over an existing file, read back; then the same input through
// gtm2wtr (convert, refuse, list). The expected WTR bytes are built here independently,
// and an old file must survive every conversion that does not succeed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "cli/gtm2wtr.h"
#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

using namespace quendra;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOldContent = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', '\n'};

std::optional<std::int32_t> Semicircles(double degrees) {
    double product = degrees * 11930464.0;
    // Truncation toward zero fits 32 bits exactly for products in (-2^31 - 1, 2^31).
    if (!(product > -2147483649.0 && product < 2147483648.0)) return std::nullopt;
    return static_cast<std::int32_t>(product);
}

std::uint16_t Symbol(std::uint16_t icon) {
    constexpr std::uint16_t kTable[][2] = {{27, 159}, {34, 161}, {60, 8236}, {73, 8246}};
    for (const auto& [from, to] : kTable) {
        if (icon == from) return to;
    }
    return 18;
}

void Put(Bytes& out, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out[at + static_cast<std::size_t>(i)] = (value >> (8 * i)) & 0xFF;
}

void PutMarker(Bytes& out, const char* tag) {
    std::size_t at = out.size();
    out.resize(at + 16, 0);
    out[at] = 0xFF;
    std::memcpy(&out[at + 1], tag, 3);
    out[at + 4] = 0xFF;
}

// The file a conversion of `set` must write, or the index of the first waypoint whose
// position has no semicircle value.
struct ExpectedWtr {
    std::optional<Bytes> file;
    std::int32_t badWaypoint = -1;
    std::int32_t listedCount = 0;  // what reading it back finds
};

ExpectedWtr ExpectedConversion(const GtmWaypointSet& set) {
    ExpectedWtr expected;
    Bytes out;
    PutMarker(out, "Wpt");
    expected.listedCount = set.count;
    for (std::int32_t i = 0; i < set.count; ++i) {
        const GtmWaypoint& from = set.records[i];
        double longitude = from.longitude;
        if (longitude > 180.0) longitude -= 360.0;
        if (longitude < -180.0) longitude += 360.0;
        std::optional<std::int32_t> lat = Semicircles(from.latitude);
        std::optional<std::int32_t> lon = Semicircles(longitude);
        if (!lat || !lon) {
            expected.badWaypoint = i;
            return expected;
        }
        std::size_t at = out.size();
        out.resize(at + 64, 0);
        std::size_t nameLength = strnlen(from.name, 10);
        std::memcpy(&out[at], from.name, nameLength);
        std::memset(&out[at + nameLength], ' ', 10 - nameLength);
        if (expected.listedCount == set.count && std::memcmp(&out[at], "\xFFTrk\xFF", 5) == 0) {
            expected.listedCount = i;  // reading back stops at what looks like the marker
        }
        Put(out, at + 20, static_cast<std::uint32_t>(*lat), 4);
        Put(out, at + 24, static_cast<std::uint32_t>(*lon), 4);
        std::uint32_t altitude;
        std::memcpy(&altitude, &from.altitude, 4);
        Put(out, at + 28, altitude, 4);
        Put(out, at + 40, Symbol(from.iconCode), 2);
    }
    PutMarker(out, "Trk");
    PutMarker(out, "Rte");
    expected.file = std::move(out);
    return expected;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

fuzz::ScratchFolder& Folder() {
    static fuzz::ScratchFolder folder;
    return folder;
}

// Only the files the harness itself made: a temporary file left behind shows up here.
void CheckNoStrayFiles() {
    for (const std::string& name : Folder().Names()) {
        FUZZ_CHECK(name == "input.gtm" || name == "library.wtr" || name == "cli.wtr");
    }
}

// Builds and saves over an old file; returns what was written.
std::optional<Bytes> ConvertAndSave(const GtmWaypointSet& set) {
    ExpectedWtr expected = ExpectedConversion(set);
    WtrWaypointSet wtr;
    bool built = wtr.BuildFrom(set.count, set.records.get());
    FUZZ_CHECK(built == expected.file.has_value());
    if (!built) {
        FUZZ_CHECK(wtr.badWaypoint == expected.badWaypoint && wtr.count == 0 && !wtr.records);
        return std::nullopt;
    }
    std::filesystem::path target = Folder() / "library.wtr";
    fuzz::WriteFile(target, kOldContent.data(), kOldContent.size());
    FUZZ_CHECK(wtr.Save(target));
    FUZZ_CHECK(fuzz::ReadFile(target) == *expected.file);
    CheckNoStrayFiles();

    WtrWaypointSet back;
    VectorLineSink lines;
    FUZZ_CHECK(back.Load(target, lines));
    FUZZ_CHECK(back.count == expected.listedCount);
    FUZZ_CHECK(lines.lines.size() == static_cast<std::size_t>(expected.listedCount));
    return expected.file;
}

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun RunCli(std::vector<std::string> args) {
    std::ostringstream out, err;
    std::istringstream in;
    int code = RunGtm2Wtr(args, {out, err, in, false});
    return {code, out.str(), err.str()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CodePageDecoder decoder;
    static const bool decoderOpen = decoder.Open(kDefaultCodePage);
    FUZZ_CHECK(decoderOpen);
    std::span<const std::uint8_t> bytes(data, size);

    // Two loads of the same bytes, so each answer to the datum question starts afresh.
    GtmWaypointSet declined, accepted;
    VectorLineSink listed, ignored;
    bool loaded = declined.LoadFromBytes(bytes, listed);
    FUZZ_CHECK(accepted.LoadFromBytes(bytes, ignored) == loaded);

    std::optional<Bytes> converted;  // what gtm2wtr --hu-tzu-shan=shift must write
    if (loaded && declined.count > 0) {
        std::vector<GtmWaypoint> asLoaded(declined.records.get(),
                                          declined.records.get() + declined.count);
        fuzz::ScriptedMessages no(false), yes(true);
        bool goesOnAfterNo = declined.CheckDatum(no);
        bool goesOnAfterYes = accepted.CheckDatum(yes);
        for (std::int32_t i = 0; i < declined.count; ++i) {
            const GtmWaypoint& before = asLoaded[static_cast<std::size_t>(i)];
            FUZZ_CHECK(SameBits(declined.records[i].latitude, before.latitude));
            FUZZ_CHECK(SameBits(declined.records[i].longitude, before.longitude));
        }
        if (declined.datumCode == kDatumWgs84) {
            FUZZ_CHECK(goesOnAfterNo && goesOnAfterYes);
            FUZZ_CHECK(no.questions + no.notices + yes.questions + yes.notices == 0);
        } else if (declined.datumCode == kDatumHuTzuShan) {
            FUZZ_CHECK(!goesOnAfterNo && goesOnAfterYes);
            FUZZ_CHECK(no.questions == 1 && yes.questions == 1 && no.notices + yes.notices == 0);
            // A second Convert of the accepted set neither asks nor shifts again.
            FUZZ_CHECK(accepted.CheckDatum(yes) && yes.questions == 1);
            for (std::int32_t i = 0; i < accepted.count; ++i) {
                const GtmWaypoint& before = asLoaded[static_cast<std::size_t>(i)];
                FUZZ_CHECK(SameBits(accepted.records[i].latitude, before.latitude - 0.00178));
                FUZZ_CHECK(SameBits(accepted.records[i].longitude, before.longitude + 0.00823));
            }
        } else {
            FUZZ_CHECK(!goesOnAfterNo && !goesOnAfterYes);
            FUZZ_CHECK(no.notices == 1 && yes.notices == 1 && no.questions + yes.questions == 0);
        }
        if (goesOnAfterYes) converted = ConvertAndSave(accepted);
    }

    std::filesystem::path input = Folder() / "input.gtm";
    std::filesystem::path output = Folder() / "cli.wtr";
    fuzz::WriteFile(input, data, size);
    fuzz::WriteFile(output, kOldContent.data(), kOldContent.size());
    CliRun run = RunCli({"--hu-tzu-shan=shift", input.string(), output.string()});
    if (converted) {
        FUZZ_CHECK(run.code == kExitSuccess);
        FUZZ_CHECK(fuzz::ReadFile(output) == *converted);
        FUZZ_CHECK(run.err.find(" to " + output.string()) != std::string::npos);
    } else {
        FUZZ_CHECK(run.code == kExitFailure);
        FUZZ_CHECK(fuzz::ReadFile(output) == kOldContent);
        // The datum messages may come first; the reason names the input.
        FUZZ_CHECK(run.err.find("gtm2wtr: " + input.string() + ": ") != std::string::npos);
        FUZZ_CHECK(run.err.ends_with("\n"));
    }
    FUZZ_CHECK(run.out.empty());
    if (loaded && declined.count > 0 && declined.datumCode == kDatumHuTzuShan) {
        fuzz::WriteFile(output, kOldContent.data(), kOldContent.size());
        run = RunCli({"--hu-tzu-shan=refuse", input.string(), output.string()});
        FUZZ_CHECK(run.code == kExitFailure && fuzz::ReadFile(output) == kOldContent);
    }
    CheckNoStrayFiles();

    // Listing decides by the first bytes whether the file is a WTR or a GTM file.
    bool looksLikeWtr = size >= 5 && std::memcmp(data, "\xFFWpt\xFF", 5) == 0;
    bool listable = loaded;
    if (looksLikeWtr) {
        WtrWaypointSet wtr;
        listed.lines.clear();
        listable = wtr.LoadFromBytes(bytes, listed);
    }
    run = RunCli({"--list", input.string()});
    FUZZ_CHECK(run.code == (listable ? kExitSuccess : kExitFailure));
    if (listable) {
        std::string expected;
        for (const std::string& line : listed.lines) expected += decoder.Decode(line) + "\n";
        FUZZ_CHECK(run.out == expected && run.err.empty());
        FUZZ_CHECK(fuzz::IsValidUtf8(run.out));
    } else {
        FUZZ_CHECK(run.out.empty() && run.err.starts_with("gtm2wtr: "));
    }
    return 0;
}
