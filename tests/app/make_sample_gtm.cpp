// Writes a small GTM file of Taiwanese peaks with Big5 names, for screenshots and for
// trying the dialog by hand: make_sample_gtm OUTPUT.gtm
#include <cstdio>
#include <fstream>
#include <iostream>

#include "tests/support/gtm_builder.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: make_sample_gtm OUTPUT.gtm\n";
        return 2;
    }
    using quendra::testing::GtmBuilder;
    using quendra::testing::GtmRecordSpec;
    const auto peak = [](double latitude, double longitude, const char* name, std::uint16_t icon,
                         float altitude) {
        GtmRecordSpec record;
        record.latitude = latitude;
        record.longitude = longitude;
        record.name = name;
        record.icon = icon;
        record.altitude = altitude;
        return record;
    };
    // Names in Big5 (CP950), as Traditional-Chinese Windows stores them.
    GtmBuilder builder;
    builder
        .Add(peak(23.4700, 120.9572, "\xA5\xC9\xA4\x73\xA5\x44\xAE\x70", 48, 3952.0f))  // 玉山主峰
        .Add(peak(24.3833, 121.2317, "\xB3\xB7\xA4\x73\xA5\x44\xAE\x70", 48, 3886.0f))  // 雪山主峰
        .Add(peak(24.1417, 121.2733, "\xA6\x58\xC5\x77\xA4\x73", 48, 3417.0f))          // 合歡山
        .Add(peak(23.5100, 120.8050, "\xAA\xFC\xA8\xBD\xA4\x73", 27, 2216.0f))          // 阿里山
        .Add(peak(25.0336, 121.5648,
                  "\xA5\x78\xA5\x5F"
                  "101",
                  60, 508.0f))  // 台北101
        .Add(peak(25.1680, 121.5590, "Qixing", 34, 1120.0f));
    const auto bytes = builder.Build();
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "make_sample_gtm: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
