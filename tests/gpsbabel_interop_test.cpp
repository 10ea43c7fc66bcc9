// GTM files written by GPSBabel, an independent writer of the format, list and convert
// waypoint for waypoint. Expectations come from the GPX the waypoints started as.
// GPSBabel must be on PATH (scripts/test.sh installs it); QUENDRA_SKIP_GPSBABEL=1 skips.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

struct GpxWaypoint {
    std::string name, latitude, longitude, elevation, symbol;
    std::uint16_t wtrSymbol;  // from GPSBabel's icon for `symbol` and the WTR symbol table
};

// Names short, exact and too long (GPSBabel cuts to 10 and fills with spaces); altitudes
// negative, fractional and halfway; all quadrants and both ends of the longitude range.
const std::vector<GpxWaypoint> kWaypoints = {
    {"HOME", "25.0", "121.5", "12.6", "Park", 159},
    {"SCENICVIEWPOINT", "-33.8688", "151.2093", "-12.25", "Scenic Area", 161},
    {"CHAPEL", "40.7128", "-74.006", "1234.4", "Church", 8236},
    {"JADE PEAK", "23.47", "120.957", "3952.43", "Summit", 8246},
    {"TENLETTERS", "-22.9", "-43.2", "0.5", "Waypoint", 18},
    {"DATELINE", "-0.7", "180", "2.5", "Airport", 18},
    {"ANTIMERID", "89.9999", "-180", "-0.4", "Car", 18},
    {"R&amp;R", "23.97", "-0.7", "-428.5", "Restaurant", 18},
};

std::string GpxOf(const std::vector<GpxWaypoint>& waypoints) {
    std::ostringstream gpx;
    gpx << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" "
           "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (const GpxWaypoint& w : waypoints) {
        gpx << "<wpt lat=\"" << w.latitude << "\" lon=\"" << w.longitude << "\"><ele>"
            << w.elevation << "</ele><name>" << w.name << "</name><desc>comment of " << w.name
            << "</desc><sym>" << w.symbol << "</sym></wpt>\n";
    }
    // GPSBabel writes tracks and routes after the waypoints; none may reach the WTR file.
    gpx << "<rte><rtept lat=\"24.1\" lon=\"121.2\"/><rtept lat=\"24.2\" lon=\"121.3\"/></rte>"
           "<trk><trkseg><trkpt lat=\"24\" lon=\"121\"/><trkpt lat=\"24.1\" lon=\"121\"/>"
           "</trkseg></trk>\n</gpx>\n";
    return gpx.str();
}

// The stored name: XML entities resolved, cut to 10 bytes, filled with spaces.
std::string StoredName(std::string name) {
    if (auto at = name.find("&amp;"); at != std::string::npos) name.replace(at, 5, "&");
    name.resize(10, ' ');
    return name;
}

// Runs the command, keeps what it prints in `out` and returns its exit status.
int Shell(const std::string& command, std::string* out = nullptr) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        if (out != nullptr) out->append(chunk, n);
    }
    int raw = pclose(pipe);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

template <typename T>
T At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);  // the caller checked the size
    return value;
}

TEST(GpsbabelInterop, ListsAndConvertsEveryWaypoint) {
    if (Shell("command -v gpsbabel") != 0) {
        const char* skip = std::getenv("QUENDRA_SKIP_GPSBABEL");
        if (skip != nullptr && std::string(skip) == "1") GTEST_SKIP() << "no gpsbabel";
        FAIL() << "gpsbabel not on PATH (scripts/test.sh installs it)";
    }
    testing::TempDir dir;
    std::ofstream(dir / "in.gpx") << GpxOf(kWaypoints);
    const std::string gtm = Quoted(dir / "in.gtm"), tool = Quoted(GTM2WTR_PATH);
    ASSERT_EQ(Shell("gpsbabel -i gpx -f " + Quoted(dir / "in.gpx") + " -o gtm -F " + gtm), 0);
    std::string list;
    ASSERT_EQ(Shell(tool + " --list " + gtm, &list), 0);
    ASSERT_EQ(Shell(tool + " " + gtm + " " + Quoted(dir / "out.wtr")), 0);
    std::istringstream listed(list);
    std::vector<std::uint8_t> wtr = testing::ReadBytes(dir / "out.wtr");

    const std::size_t n = kWaypoints.size();
    ASSERT_EQ(wtr.size(), 16 + 64 * n + 32) << "no track or route reaches the WTR file";
    for (std::size_t i = 0; i < n; ++i) {
        const GpxWaypoint& gpx = kWaypoints[i];
        SCOPED_TRACE(gpx.name);
        const float altitude = std::stof(gpx.elevation);
        char line[64];
        std::snprintf(line, sizeof line, "%s %3.lf", StoredName(gpx.name).c_str(),
                      static_cast<double>(altitude));
        std::string listedLine;
        std::getline(listed, listedLine);
        EXPECT_EQ(listedLine, line);

        const std::size_t at = 16 + 64 * i;
        EXPECT_EQ(std::string(wtr.begin() + at, wtr.begin() + at + 10), StoredName(gpx.name));
        for (auto [offset, degrees] : {std::pair{20, gpx.latitude}, {24, gpx.longitude}}) {
            auto expected = static_cast<std::int64_t>(std::trunc(std::stod(degrees) * 11930464.0));
            EXPECT_LE(std::llabs(At<std::int32_t>(wtr, at + offset) - expected), 1) << offset;
        }
        EXPECT_EQ(At<float>(wtr, at + 28), altitude);
        EXPECT_EQ(At<std::uint16_t>(wtr, at + 40), gpx.wtrSymbol);
    }
    EXPECT_EQ(listed.peek(), EOF) << "one line per waypoint, nothing more";
}

}  // namespace
}  // namespace quendra
