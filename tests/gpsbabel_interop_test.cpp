// GTM files written by GPSBabel, an independent writer of the format, list and convert
// waypoint for waypoint. The expectations come from the GPX the waypoints started as and
// from the GTM bytes GPSBabel wrote, read here by a parser of the test's own.
//
// GPSBabel is looked for on PATH at run time (scripts/test.sh installs it). Without it the
// tests fail, unless QUENDRA_SKIP_GPSBABEL=1 says to skip them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

struct GpxWaypoint {
    std::string name;
    std::string latitude;
    std::string longitude;
    std::optional<std::string> elevation;
    std::optional<std::string> symbol;
    std::string description;
};

// Names short, exact and too long; altitudes negative, fractional, halfway, missing;
// all four quadrants and both ends of the longitude range; symbols that GPSBabel writes
// as each icon of the WTR symbol table, and some it does not.
const std::vector<GpxWaypoint> kWaypoints = {
    {"HOME", "25.0", "121.5", "12.6", "Park", ""},
    {"SCENICVIEWPOINT", "-33.8688", "151.2093", "-12.25", "Scenic Area", "Harbour lookout"},
    {"CHAPEL", "40.7128", "-74.006", "1234.4", "Church", std::string(300, 'c')},
    {"JADE PEAK", "23.47", "120.957", "3952.43", "Summit", "Highest in Taiwan"},
    {"TENLETTERS", "-22.9", "-43.2", "0.5", "Waypoint", ""},
    {"DATELINE", "-0.7", "180", "2.5", "Airport", "exactly on the line"},
    {"ANTIMERID", "89.9999", "-180", "-0.4", "Car", ""},
    {"R&R", "23.97", "-0.7", "-428.5", std::nullopt, "rest & relax"},
    {"NOHEIGHT", "-89.5", "0.0000001", std::nullopt, "Flag, Blue", ""},
    {"<TAG>", "0", "0", "-0", "Restaurant", ""},
};

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Waypoints, plus a track and a route: GPSBabel writes those after the waypoints, and they
// must not turn up in the WTR file.
std::string MakeGpx(const std::vector<GpxWaypoint>& waypoints, bool withTrackAndRoute) {
    std::ostringstream gpx;
    gpx << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"quendra-test\" "
           "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (const GpxWaypoint& w : waypoints) {
        gpx << "<wpt lat=\"" << w.latitude << "\" lon=\"" << w.longitude << "\">";
        if (w.elevation) gpx << "<ele>" << *w.elevation << "</ele>";
        gpx << "<name>" << EscapeXml(w.name) << "</name>";
        if (!w.description.empty()) gpx << "<desc>" << EscapeXml(w.description) << "</desc>";
        if (w.symbol) gpx << "<sym>" << EscapeXml(*w.symbol) << "</sym>";
        gpx << "</wpt>\n";
    }
    if (withTrackAndRoute) {
        gpx << "<rte><name>RIDGE</name>"
               "<rtept lat=\"24.1\" lon=\"121.2\"><name>RP1</name></rtept>"
               "<rtept lat=\"24.2\" lon=\"121.3\"><name>RP2</name></rtept></rte>\n"
               "<trk><name>WALK</name><trkseg>"
               "<trkpt lat=\"24.0\" lon=\"121.0\"><ele>100</ele></trkpt>"
               "<trkpt lat=\"24.01\" lon=\"121.01\"><ele>110</ele></trkpt>"
               "<trkpt lat=\"24.02\" lon=\"121.02\"><ele>120</ele></trkpt>"
               "</trkseg></trk>\n";
    }
    gpx << "</gpx>\n";
    return gpx.str();
}

// One waypoint as GPSBabel stored it.
struct GtmRecord {
    std::string name;  // the 10 bytes
    double latitude;
    double longitude;
    std::uint16_t icon;
    float altitude;
};

struct GtmFile {
    std::uint16_t version = 0;
    std::vector<GtmRecord> records;
};

// A deliberately plain walk over a GTM 2.11 file: header counts, four strings, the datum
// block, the image entries, then the waypoints.
class GtmParser {
public:
    explicit GtmParser(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::optional<GtmFile> Parse() {
        GtmFile file;
        if (bytes_.size() < 99 || std::memcmp(&bytes_[2], "TrackMaker", 10) != 0) return {};
        file.version = Get<std::uint16_t>(0);
        std::int32_t waypoints = Get<std::int32_t>(35);
        std::int32_t images = Get<std::int32_t>(63);
        at_ = 99;
        for (int i = 0; i < 4; ++i) SkipString();
        at_ += 58;
        for (std::int32_t i = 0; i < images; ++i) {
            SkipString();
            SkipString();
            at_ += 30;
        }
        for (std::int32_t i = 0; i < waypoints && ok_; ++i) {
            GtmRecord record;
            record.latitude = Take<double>();
            record.longitude = Take<double>();
            record.name = TakeBytes(10);
            SkipString();  // the comment
            record.icon = Take<std::uint16_t>();
            at_ += 7;
            record.altitude = Take<float>();
            at_ += 2;
            file.records.push_back(record);
        }
        if (!ok_) return {};
        return file;
    }

private:
    template <typename T>
    T Get(std::size_t at) {
        T value{};
        if (at + sizeof value > bytes_.size()) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, &bytes_[at], sizeof value);  // the test machines are little-endian
        return value;
    }
    template <typename T>
    T Take() {
        T value = Get<T>(at_);
        at_ += sizeof value;
        return value;
    }
    std::string TakeBytes(std::size_t n) {
        if (at_ + n > bytes_.size()) {
            ok_ = false;
            return {};
        }
        std::string text(reinterpret_cast<const char*>(&bytes_[at_]), n);
        at_ += n;
        return text;
    }
    void SkipString() { at_ += 2 + Get<std::uint16_t>(at_); }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RunResult {
    int status = -1;
    std::string out;
};

// Runs a shell command; stdout is captured, stderr goes to the test log.
RunResult RunCommand(const std::string& command) {
    RunResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.out.append(chunk, n);
    int status = pclose(pipe);
#ifdef _WIN32
    result.status = status;
#else
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return result;
}

std::string Quote(const fs::path& path) {
    std::string quoted(1, '"');
    quoted += path.string();
    quoted += '"';
    return quoted;
}

std::optional<fs::path> FindGpsbabel() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
#ifdef _WIN32
    const char separator = ';';
    const char* name = "gpsbabel.exe";
#else
    const char separator = ':';
    const char* name = "gpsbabel";
#endif
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, separator)) {
        if (folder.empty()) continue;
        fs::path candidate = fs::path(folder) / name;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate;
    }
    return {};
}

// The WTR symbol of each GTM icon; every other icon becomes 18.
std::uint16_t ExpectedSymbol(std::uint16_t icon) {
    struct Row {
        std::uint16_t icon, symbol;
    };
    static constexpr Row kTable[] = {{27, 159}, {34, 161}, {48, 18}, {60, 8236}, {73, 8246}};
    for (const Row& row : kTable) {
        if (row.icon == icon) return row.symbol;
    }
    return 18;
}

std::int64_t ExpectedSemicircles(const std::string& degrees) {
    return static_cast<std::int64_t>(std::trunc(std::stod(degrees) * 11930464.0));
}

// The name as GPSBabel stores it: cut to 10 bytes, filled with spaces.
std::string TenByteName(const std::string& name) {
    std::string field = name.substr(0, 10);
    field.resize(10, ' ');
    return field;
}

std::string DisplayLine(const std::string& name, float altitude) {
    std::string shown = name;
    for (char& c : shown) {
        if (c == '\0') c = ' ';
    }
    char line[64];
    std::snprintf(line, sizeof line, "%s %3.lf", shown.c_str(), static_cast<double>(altitude));
    return line;
}

std::uint32_t Bits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

template <typename T>
T At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, &bytes[offset], sizeof value);
    return value;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

class GpsbabelInterop : public ::testing::Test {
protected:
    void SetUp() override {
        std::optional<fs::path> gpsbabel = FindGpsbabel();
        if (!gpsbabel) {
            const char* skip = std::getenv("QUENDRA_SKIP_GPSBABEL");
            if (skip != nullptr && std::string(skip) == "1") {
                GTEST_SKIP() << "gpsbabel not on PATH and QUENDRA_SKIP_GPSBABEL=1";
            }
            FAIL() << "gpsbabel not found on PATH (scripts/test.sh installs it; set "
                      "QUENDRA_SKIP_GPSBABEL=1 to skip these tests)";
        }
        gpsbabel_ = *gpsbabel;
        std::random_device random;
        folder_ = fs::temp_directory_path() / ("quendra-gpsbabel-" + std::to_string(random()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }

    // GPX text in, GTM bytes out, written by GPSBabel.
    fs::path WriteGtmWithGpsbabel(const std::string& gpx, const std::string& stem) {
        fs::path gpxPath = folder_ / (stem + ".gpx");
        fs::path gtmPath = folder_ / (stem + ".gtm");
        std::ofstream(gpxPath, std::ios::binary) << gpx;
        RunResult run = RunCommand(Quote(gpsbabel_) + " -i gpx -f " + Quote(gpxPath) +
                                   " -o gtm -F " + Quote(gtmPath));
        EXPECT_EQ(run.status, 0) << "gpsbabel failed to write " << gtmPath;
        return gtmPath;
    }

    RunResult Gtm2Wtr(const std::string& arguments) {
        return RunCommand(Quote(GTM2WTR_PATH) + " " + arguments);
    }

    fs::path gpsbabel_;
    fs::path folder_;
};

// GPSBabel wrote what the GPX said, in the layout this test reads; the other tests rely
// on that, and on the file reaching every row of the symbol table.
TEST_F(GpsbabelInterop, GpsbabelWritesTheWaypointsAsExpected) {
    fs::path gtm = WriteGtmWithGpsbabel(MakeGpx(kWaypoints, true), "all");
    std::vector<std::uint8_t> bytes = ReadBytes(gtm);
    std::optional<GtmFile> file = GtmParser(bytes).Parse();
    ASSERT_TRUE(file) << "not a GTM file this test can read: " << gtm;
    EXPECT_EQ(file->version, 211);
    EXPECT_EQ(bytes.at(12), 0x00) << "GPSBabel's byte 12 differs from TrackMaker's 0xFF";
    ASSERT_EQ(file->records.size(), kWaypoints.size());

    std::set<std::uint16_t> symbols;
    for (std::size_t i = 0; i < kWaypoints.size(); ++i) {
        const GpxWaypoint& gpx = kWaypoints[i];
        const GtmRecord& gtm = file->records[i];
        SCOPED_TRACE(gpx.name);
        EXPECT_EQ(gtm.name, TenByteName(gpx.name));
        EXPECT_EQ(gtm.latitude, std::stod(gpx.latitude));
        EXPECT_EQ(gtm.longitude, std::stod(gpx.longitude));
        if (gpx.elevation) {
            EXPECT_EQ(Bits(gtm.altitude), Bits(std::stof(*gpx.elevation)));
        }
        symbols.insert(ExpectedSymbol(gtm.icon));
    }
    EXPECT_EQ(symbols, (std::set<std::uint16_t>{18, 159, 161, 8236, 8246}))
        << "GPSBabel's symbol names no longer give every icon of the table";
}

TEST_F(GpsbabelInterop, ListShowsEveryWaypointWithNameAndAltitude) {
    fs::path gtm = WriteGtmWithGpsbabel(MakeGpx(kWaypoints, true), "list");
    std::optional<GtmFile> file = GtmParser(ReadBytes(gtm)).Parse();
    ASSERT_TRUE(file);
    ASSERT_EQ(file->records.size(), kWaypoints.size());

    RunResult run = Gtm2Wtr("--list " + Quote(gtm));
    ASSERT_EQ(run.status, 0);
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), kWaypoints.size()) << run.out;
    for (std::size_t i = 0; i < kWaypoints.size(); ++i) {
        const GpxWaypoint& gpx = kWaypoints[i];
        // A GPX waypoint without elevation has whatever altitude GPSBabel stored for it.
        float altitude = gpx.elevation ? std::stof(*gpx.elevation) : file->records[i].altitude;
        EXPECT_EQ(lines[i], DisplayLine(TenByteName(gpx.name), altitude)) << "waypoint " << i;
    }
}

TEST_F(GpsbabelInterop, ConvertWritesEveryWaypointAndNothingElse) {
    fs::path gtm = WriteGtmWithGpsbabel(MakeGpx(kWaypoints, true), "convert");
    std::optional<GtmFile> file = GtmParser(ReadBytes(gtm)).Parse();
    ASSERT_TRUE(file);
    ASSERT_EQ(file->records.size(), kWaypoints.size());

    fs::path wtrPath = folder_ / "convert.wtr";
    RunResult run = Gtm2Wtr(Quote(gtm) + " " + Quote(wtrPath));
    ASSERT_EQ(run.status, 0);
    std::vector<std::uint8_t> wtr = ReadBytes(wtrPath);
    const std::size_t n = kWaypoints.size();
    ASSERT_EQ(wtr.size(), 16 + 64 * n + 32);

    auto expectMarker = [&](std::size_t at, const char* tag) {
        std::vector<std::uint8_t> marker(16, 0);
        marker[0] = 0xFF;
        std::memcpy(&marker[1], tag, 3);
        marker[4] = 0xFF;
        EXPECT_EQ(std::vector<std::uint8_t>(wtr.begin() + static_cast<long>(at),
                                            wtr.begin() + static_cast<long>(at + 16)),
                  marker)
            << tag << " marker at " << at;
    };
    expectMarker(0, "Wpt");
    expectMarker(16 + 64 * n, "Trk");
    expectMarker(16 + 64 * n + 16, "Rte");

    for (std::size_t i = 0; i < n; ++i) {
        const GpxWaypoint& gpx = kWaypoints[i];
        SCOPED_TRACE(gpx.name);
        std::size_t at = 16 + 64 * i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wtr[at]), 10), TenByteName(gpx.name));
        EXPECT_LE(std::llabs(At<std::int32_t>(wtr, at + 20) - ExpectedSemicircles(gpx.latitude)),
                  1);
        EXPECT_LE(std::llabs(At<std::int32_t>(wtr, at + 24) - ExpectedSemicircles(gpx.longitude)),
                  1);
        float altitude = gpx.elevation ? std::stof(*gpx.elevation) : file->records[i].altitude;
        EXPECT_EQ(At<std::uint32_t>(wtr, at + 28), Bits(altitude));
        EXPECT_EQ(At<std::uint16_t>(wtr, at + 40), ExpectedSymbol(file->records[i].icon));
        for (auto [from, to] : {std::pair{10, 20}, std::pair{32, 40}, std::pair{42, 64}}) {
            for (int b = from; b < to; ++b) EXPECT_EQ(wtr[at + b], 0) << "byte " << b;
        }
    }
}

// GPSBabel writes a GTM file even for a GPX without waypoints: it lists as empty, and
// there is nothing to convert.
TEST_F(GpsbabelInterop, FileWithOnlyATrackListsNothingAndDoesNotConvert) {
    fs::path gtm = WriteGtmWithGpsbabel(MakeGpx({}, true), "track");
    std::optional<GtmFile> file = GtmParser(ReadBytes(gtm)).Parse();
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->records.empty());

    RunResult list = Gtm2Wtr("--list " + Quote(gtm));
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "");

    fs::path wtrPath = folder_ / "track.wtr";
    EXPECT_EQ(Gtm2Wtr(Quote(gtm) + " " + Quote(wtrPath) + " 2>/dev/null").status, 1);
    EXPECT_FALSE(fs::exists(wtrPath));
}

}  // namespace
