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

std::string Shell(const std::string& command, int& status) {
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

template <typename T>
T At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);  // the caller checked the size
    return value;
}

class GpsbabelInterop : public ::testing::Test {
protected:
    void SetUp() override {
        int status = -1;
        Shell("command -v gpsbabel", status);
        if (status == 0) return;
        const char* skip = std::getenv("QUENDRA_SKIP_GPSBABEL");
        if (skip != nullptr && std::string(skip) == "1") GTEST_SKIP() << "no gpsbabel";
        FAIL() << "gpsbabel not on PATH (scripts/test.sh installs it)";
    }

    std::string GtmFromGpsbabel(const std::vector<GpxWaypoint>& waypoints) {
        std::ofstream(dir / "in.gpx") << GpxOf(waypoints);
        int status = -1;
        Shell("gpsbabel -i gpx -f '" + (dir / "in.gpx").string() + "' -o gtm -F '" +
                  (dir / "in.gtm").string() + "'",
              status);
        EXPECT_EQ(status, 0);
        return "'" + (dir / "in.gtm").string() + "'";
    }

    testing::TempDir dir;
};

TEST_F(GpsbabelInterop, ListsAndConvertsEveryWaypoint) {
    std::string gtm = GtmFromGpsbabel(kWaypoints);
    std::string tool = std::string("'") + GTM2WTR_PATH + "' ";
    int status = -1;
    std::istringstream listed(Shell(tool + "--list " + gtm, status));
    ASSERT_EQ(status, 0);
    Shell(tool + gtm + " '" + (dir / "out.wtr").string() + "'", status);
    ASSERT_EQ(status, 0);
    std::vector<std::uint8_t> wtr = testing::ReadBytes(dir / "out.wtr");

    const std::size_t n = kWaypoints.size();
    ASSERT_EQ(wtr.size(), 16 + 64 * n + 32);
    EXPECT_EQ(std::string(wtr.begin(), wtr.begin() + 5), "\xFFWpt\xFF");
    EXPECT_EQ(std::string(wtr.end() - 32, wtr.end() - 27), "\xFFTrk\xFF");
    EXPECT_EQ(std::string(wtr.end() - 16, wtr.end() - 11), "\xFFRte\xFF");
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
