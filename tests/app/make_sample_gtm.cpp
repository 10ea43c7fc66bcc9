// Writes a small GTM file of Taiwanese peaks with Big5 names, for screenshots and for
// trying the dialog by hand: make_sample_gtm [--datum CODE] OUTPUT.gtm
// (datum 217 is WGS84, 81 Hu-Tzu-Shan). make_sample_gtm --positions prints each waypoint's
// longitude and latitude, one per line, as cs2cs reads them.
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>

#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

int main(int argc, char* argv[]) {
    using namespace quendra::testing;
    // Names in Big5 (CP950), as Traditional-Chinese Windows stores them.
    const GtmRecordSpec peaks[] = {
        {23.4700, 120.9572, "\xA5\xC9\xA4\x73\xA5\x44\xAE\x70", "", 48, 3952.0f},  // 玉山主峰
        {24.3833, 121.2317, "\xB3\xB7\xA4\x73\xA5\x44\xAE\x70", "", 48, 3886.0f},  // 雪山主峰
        {24.1417, 121.2733, "\xA6\x58\xC5\x77\xA4\x73", "", 48, 3417.0f},          // 合歡山
        {23.5100, 120.8050, "\xAA\xFC\xA8\xBD\xA4\x73", "", 27, 2216.0f},          // 阿里山
        {25.0336, 121.5648, "\xA5\x78\xA5\x5F\x31\x30\x31", "", 60, 508.0f},       // 台北101
        {25.1680, 121.5590, "Qixing", "", 34, 1120.0f},
    };
    if (argc == 2 && std::strcmp(argv[1], "--positions") == 0) {
        for (const GtmRecordSpec& peak : peaks)
            std::cout << std::setprecision(10) << peak.longitude << ' ' << peak.latitude << '\n';
        return 0;
    }
    const bool withDatum = argc == 4 && std::strcmp(argv[1], "--datum") == 0;
    char* end = nullptr;
    const unsigned long datum = withDatum ? std::strtoul(argv[2], &end, 10) : 217;
    const bool valid = argc == 2 || (withDatum && *end == '\0' && end != argv[2] && datum <= 65535);
    GtmBuilder builder;
    for (const GtmRecordSpec& peak : peaks) builder.Add(peak);
    const auto bytes = builder.Datum(static_cast<std::uint16_t>(datum)).Build();
    if (valid) WriteBytes(argv[argc - 1], bytes);
    if (valid && ReadBytes(argv[argc - 1]) == bytes) return 0;
    std::cerr << "usage: make_sample_gtm [--datum CODE] OUTPUT.gtm, a file it can write\n";
    return 1;
}
