#include "bench/gtm_generator.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

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

template <typename Out>
class GtmWriter {
public:
    explicit GtmWriter(Out& out) : out_(out) {}

    void Bytes(const void* bytes, std::size_t size) { out_.Put(bytes, size); }
    void Zeros(std::size_t size) {
        static constexpr std::uint8_t kZeros[64] = {};
        while (size > 0) {
            std::size_t take = size < sizeof kZeros ? size : sizeof kZeros;
            Bytes(kZeros, take);
            size -= take;
        }
    }
    void U8(std::uint8_t value) { Bytes(&value, 1); }
    void U16(std::uint16_t value) {
        std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                 static_cast<std::uint8_t>(value >> 8)};
        Bytes(bytes, 2);
    }
    void U32(std::uint32_t value) {
        std::uint8_t bytes[4];
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        Bytes(bytes, 4);
    }
    void F32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        U32(bits);
    }
    void F64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        U32(static_cast<std::uint32_t>(bits));
        U32(static_cast<std::uint32_t>(bits >> 32));
    }
    void String(std::string_view text) {
        U16(static_cast<std::uint16_t>(text.size()));
        Bytes(text.data(), text.size());
    }

private:
    Out& out_;
};

// GTM 2.11 as TrackMaker lays it out, so GPSBabel reads the same file too: the header
// with its counts, four header strings, the datum block, the waypoints, then the four
// waypoint styles that follow waypoints in real files.
template <typename Out>
void Generate(Out& out, std::uint32_t waypoints, std::uint64_t seed) {
    GtmWriter<Out> gtm(out);
    constexpr std::uint32_t kStyles = 4;
    gtm.U16(211);
    gtm.Bytes("TrackMaker", 10);
    gtm.U8(0xFF);
    gtm.U8(0);
    gtm.U8(8);
    gtm.Zeros(4);
    gtm.U32(0);
    gtm.U32(0xFFFFFF);
    gtm.U32(kStyles);
    gtm.U32(0);
    gtm.U32(waypoints);  // offset 35
    gtm.U32(0);          // track points
    gtm.U32(0);          // route points
    gtm.Zeros(16);       // bounding box
    gtm.U32(0);          // images, offset 63
    gtm.U32(0);          // track styles
    gtm.Zeros(28);
    gtm.String("Times New Roman");
    gtm.String("");
    gtm.String("");
    gtm.String("");
    gtm.Zeros(34);
    gtm.U16(kDatumWgs84);
    gtm.Zeros(22);

    Random random(seed);
    std::string name;
    std::string comment;
    char digits[16];
    for (std::uint32_t i = 0; i < waypoints; ++i) {
        std::string_view word = kBig5Words[random.Below(kWordCount)];
        name.clear();
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
        name.resize(kNameLength, '\0');

        comment.clear();
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
        double latitude = taiwan ? random.Between(21.9, 25.3) : random.Between(-89.99, 89.99);
        double longitude = taiwan ? random.Between(120.0, 122.0) : random.Between(-179.99, 179.99);
        float altitude = static_cast<float>(static_cast<int>(random.Below(40000)) - 500) / 10.0f;

        gtm.F64(latitude);
        gtm.F64(longitude);
        gtm.Bytes(name.data(), kNameLength);
        gtm.String(comment);
        gtm.U16(kIcons[random.Below(sizeof kIcons / sizeof kIcons[0])]);
        gtm.U8(3);
        gtm.U32(0);  // creation time
        gtm.U16(0);
        gtm.F32(altitude);
        gtm.U16(0);
    }

    for (std::uint32_t style = 0; style < kStyles; ++style) {
        gtm.U32(0xFFFFFFF5);  // font height
        gtm.String("Times New Roman");
        gtm.U8(static_cast<std::uint8_t>(style));
        gtm.Zeros(4);
        gtm.U16(400);  // font weight
        gtm.Zeros(17);
    }
}

struct VectorOut {
    std::vector<std::uint8_t>& bytes;
    void Put(const void* data, std::size_t size) {
        const auto* from = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), from, from + size);
    }
};

struct FileOut {
    std::FILE* file;
    bool ok = true;
    void Put(const void* data, std::size_t size) {
        if (ok && std::fwrite(data, 1, size, file) != size) ok = false;
    }
};

}  // namespace

std::vector<std::uint8_t> MakeGtm(std::uint32_t waypoints, std::uint64_t seed) {
    std::vector<std::uint8_t> bytes;
    VectorOut out{bytes};
    Generate(out, waypoints, seed);
    return bytes;
}

bool WriteGtmFile(const std::filesystem::path& path, std::uint32_t waypoints, std::uint64_t seed) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return false;
    FileOut out{file};
    Generate(out, waypoints, seed);
    bool closed = std::fclose(file) == 0;
    return out.ok && closed;
}

}  // namespace quendra::bench
