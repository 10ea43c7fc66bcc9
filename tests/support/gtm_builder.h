// Builds GTM file bytes in code, field by field, so a test shows exactly what the file
// holds. Defaults give a small valid WGS84 file; each setter changes one thing.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quendra::testing {

struct GtmRecordSpec {
    double latitude = 25.0;
    double longitude = 121.5;
    std::string name = "WPT";  // padded with zero bytes (or cut) to 10 bytes
    std::string comment;
    std::uint16_t icon = 48;
    float altitude = 100.0f;
};

class GtmBuilder {
public:
    GtmBuilder& Version(std::uint16_t version) {
        version_ = version;
        return *this;
    }
    GtmBuilder& Signature(std::string text) {
        signature_ = std::move(text);
        return *this;
    }
    GtmBuilder& MarkerByte(std::uint8_t byte) {
        marker_ = byte;
        return *this;
    }
    GtmBuilder& Datum(std::uint16_t code) {
        datum_ = code;
        return *this;
    }
    // Header strings at 99: four of them, any content.
    GtmBuilder& HeaderStrings(std::vector<std::string> strings) {
        headerStrings_ = std::move(strings);
        return *this;
    }
    // Extra entries between the header block and the waypoints.
    GtmBuilder& ExtraEntry(std::string first, std::string second) {
        extras_.push_back({std::move(first), std::move(second)});
        return *this;
    }
    GtmBuilder& Add(GtmRecordSpec record) {
        records_.push_back(std::move(record));
        return *this;
    }
    // Count fields that differ from what the file holds.
    GtmBuilder& StatedWaypointCount(std::int32_t n) {
        statedCount_ = n;
        haveStatedCount_ = true;
        return *this;
    }
    GtmBuilder& StatedExtraCount(std::int32_t m) {
        statedExtras_ = m;
        haveStatedExtras_ = true;
        return *this;
    }
    // Bytes after the last waypoint (tracks and so on, which the reader never looks at).
    GtmBuilder& Trailer(std::vector<std::uint8_t> bytes) {
        trailer_ = std::move(bytes);
        return *this;
    }

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> out;
        PutU16(out, version_);
        std::string signature = signature_;
        signature.resize(10, '\0');
        out.insert(out.end(), signature.begin(), signature.end());
        out.push_back(marker_);
        out.resize(35, 0);
        PutI32(out, haveStatedCount_ ? statedCount_ : static_cast<std::int32_t>(records_.size()));
        out.resize(63, 0);
        PutI32(out, haveStatedExtras_ ? statedExtras_ : static_cast<std::int32_t>(extras_.size()));
        out.resize(99, 0);
        for (const std::string& s : headerStrings_) PutString(out, s);
        std::size_t block = out.size();
        out.resize(block + 58, 0);
        out[block + 34] = static_cast<std::uint8_t>(datum_);
        out[block + 35] = static_cast<std::uint8_t>(datum_ >> 8);
        for (const auto& [first, second] : extras_) {
            PutString(out, first);
            PutString(out, second);
            out.resize(out.size() + 30, 0x5A);
        }
        for (const GtmRecordSpec& r : records_) {
            PutBytes(out, &r.latitude, 8);
            PutBytes(out, &r.longitude, 8);
            std::string name = r.name;
            name.resize(10, '\0');
            out.insert(out.end(), name.begin(), name.end());
            PutU16(out, static_cast<std::uint16_t>(r.comment.size()));
            out.insert(out.end(), r.comment.begin(), r.comment.end());
            PutU16(out, r.icon);
            out.resize(out.size() + 7, 0x33);  // fields the reader skips
            PutBytes(out, &r.altitude, 4);
            out.resize(out.size() + 2, 0x44);
        }
        out.insert(out.end(), trailer_.begin(), trailer_.end());
        return out;
    }

private:
    static void PutBytes(std::vector<std::uint8_t>& out, const void* bytes, std::size_t n) {
        // The tests run on little-endian machines, like the format.
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        out.insert(out.end(), p, p + n);
    }
    static void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) { PutBytes(out, &v, 2); }
    static void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) { PutBytes(out, &v, 4); }
    static void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
        PutU16(out, static_cast<std::uint16_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }

    std::uint16_t version_ = 211;
    std::string signature_ = "TrackMaker";
    std::uint8_t marker_ = 0xFF;
    std::uint16_t datum_ = 217;
    std::vector<std::string> headerStrings_ = {"Times New Roman", "", "", ""};
    std::vector<std::pair<std::string, std::string>> extras_;
    std::vector<GtmRecordSpec> records_;
    std::int32_t statedCount_ = 0;
    bool haveStatedCount_ = false;
    std::int32_t statedExtras_ = 0;
    bool haveStatedExtras_ = false;
    std::vector<std::uint8_t> trailer_;
};

}  // namespace quendra::testing
