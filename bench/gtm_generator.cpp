#include "bench/gtm_generator.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/support/gtm_builder.h"

namespace quendra::bench {

namespace {

// Big5 words of the kind Taiwanese hikers name waypoints with (raw CP950 bytes).
constexpr std::string_view kBig5Words[] = {
    "\xA5\xC9\xA4\x73",          // 玉山
    "\xA5\x78\xA5\x5F",          // 台北
    "\xA6\x58\xC5\x77\xA4\x73",  // 合歡山
    "\xB3\xB7\xA4\x73",          // 雪山
    "\xB9\xC5\xA9\xFA\xB4\xF2",  // 嘉明湖
    "\xB5\x6E\xA4\x73\xA4\x66",  // 登山口
    "\xA4\xF4\xB7\xBD",          // 水源
    "\xC0\xE7\xA6\x61",          // 營地
    "\xA4\x54\xA8\xA4\xC2\x49",  // 三角點
    "\xB7\xCB",                  // 溪
    "\xA8\x42\xB9\x44",          // 步道
    "\xC6\x5B\xB4\xBA\xA5\x78",  // 觀景台
};
constexpr std::size_t kWordCount = sizeof kBig5Words / sizeof kBig5Words[0];

// Icons in and out of the WTR symbol table, so every branch of the mapping runs.
constexpr std::uint16_t kIcons[] = {27, 34, 48, 60, 73, 0, 1, 7, 51, 160};

constexpr std::size_t kNameLength = 10;
constexpr std::uint16_t kDatumWgs84 = 217;

// Names in Big5 (CP950), as Traditional-Chinese Windows stores them.
const testing::GtmRecordSpec kSamplePeaks[] = {
    {23.4700, 120.9572, "\xA5\xC9\xA4\x73\xA5\x44\xAE\x70", "", 48, 3952.0f},  // 玉山主峰
    {24.3833, 121.2317, "\xB3\xB7\xA4\x73\xA5\x44\xAE\x70", "", 48, 3886.0f},  // 雪山主峰
    {24.1417, 121.2733, "\xA6\x58\xC5\x77\xA4\x73", "", 48, 3417.0f},          // 合歡山
    {23.5100, 120.8050, "\xAA\xFC\xA8\xBD\xA4\x73", "", 27, 2216.0f},          // 阿里山
    {25.0336, 121.5648, "\xA5\x78\xA5\x5F\x31\x30\x31", "", 60, 508.0f},       // 台北101
    {25.1680, 121.5590, "Qixing", "", 34, 1120.0f},
};

// splitmix64: tiny, fast, and the same on every platform, unlike std:: distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
    double Between(double low, double high) {
        return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t state_;
};

// The waypoints of one generated file, in file order; the GTM layout itself is the
// project's one GTM writer's (GtmBuilder), whose files GPSBabel reads as well.
testing::GtmBuilder Generate(std::uint32_t waypoints, std::uint64_t seed) {
    testing::GtmBuilder builder;
    builder.Datum(kDatumWgs84);
    Random random(seed);
    char digits[16];
    for (std::uint32_t i = 0; i < waypoints; ++i) {
        std::string_view word = kBig5Words[random.Below(kWordCount)];
        std::string name;
        switch (random.Below(8)) {
            case 0:
            case 1:
            case 2:
            case 3:  // word and a number, filling all 10 bytes
                std::snprintf(digits, sizeof digits, "%06u", i % 1000000);
                name.append(word).append(digits);
                break;
            case 4:  // two words cut at 10 bytes, often inside a double-byte character
                name.append("X").append(word).append(kBig5Words[random.Below(kWordCount)]);
                break;
            case 5:  // short ASCII, zero filled
                std::snprintf(digits, sizeof digits, "WP%u", i % 10000);
                name.append(digits);
                break;
            case 6:
                std::snprintf(digits, sizeof digits, "P%09u", i);
                name.append(digits);
                break;
            default:  // short Big5, space filled as some writers do
                name.append(word);
                name.resize(kNameLength, ' ');
                break;
        }
        name.resize(kNameLength);

        std::string comment;
        switch (random.Below(4)) {
            case 0:
                break;
            case 1:
                std::snprintf(digits, sizeof digits, "Camp %u", i);
                comment.append(digits);
                break;
            case 2:
                for (std::uint32_t n = 2 + random.Below(5); n > 0; --n) {
                    comment.append(kBig5Words[random.Below(kWordCount)]);
                }
                break;
            default:
                for (std::uint32_t n = 10 + random.Below(10); n > 0; --n) {
                    comment.append(kBig5Words[random.Below(kWordCount)]).append(" ");
                }
                break;
        }

        bool taiwan = random.Below(4) != 0;
        testing::GtmRecordSpec record;
        record.latitude = taiwan ? random.Between(21.9, 25.3) : random.Between(-89.99, 89.99);
        record.longitude = taiwan ? random.Between(120.0, 122.0) : random.Between(-179.99, 179.99);
        record.altitude = static_cast<float>(static_cast<int>(random.Below(40000)) - 500) / 10.0f;
        record.name = std::move(name);
        record.comment = std::move(comment);
        record.icon = kIcons[random.Below(sizeof kIcons / sizeof kIcons[0])];
        builder.Add(std::move(record));
    }
    return builder;
}

}  // namespace

std::vector<std::uint8_t> MakeGtm(std::uint32_t waypoints, std::uint64_t seed) {
    return Generate(waypoints, seed).Build();
}

std::vector<std::uint8_t> MakeSampleGtm(std::uint16_t datum) {
    testing::GtmBuilder builder;
    for (const testing::GtmRecordSpec& peak : kSamplePeaks) builder.Add(peak);
    return builder.Datum(datum).Build();
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace quendra::bench
