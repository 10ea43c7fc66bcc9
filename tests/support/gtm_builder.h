// Builds GTM file bytes in code, field by field, so a test shows exactly what the file
// holds. Defaults give a small valid WGS84 file; each setter changes one thing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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
    GtmBuilder& Version(std::uint16_t version) { return Set(version_, version); }
    GtmBuilder& MarkerByte(std::uint8_t byte) { return Set(marker_, byte); }
    GtmBuilder& Datum(std::uint16_t code) { return Set(datum_, code); }
    // Header strings at 99: four of them, any content.
    GtmBuilder& HeaderStrings(std::vector<std::string> s) { return Set(headerStrings_, s); }
    // Extra entries between the header block and the waypoints.
    GtmBuilder& ExtraEntry(std::string first, std::string second) {
        extras_.emplace_back(std::move(first), std::move(second));
        return *this;
    }
    GtmBuilder& Add(GtmRecordSpec record) {
        records_.push_back(std::move(record));
        return *this;
    }
    // Count fields that differ from what the file holds.
    GtmBuilder& StatedWaypointCount(std::int32_t n) { return Set(statedCount_, n); }
    GtmBuilder& StatedExtraCount(std::int32_t m) { return Set(statedExtras_, m); }

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> out;
        Put(out, version_);
        PutPadded(out, "TrackMaker", 10);
        Put(out, marker_);
        out.resize(35, 0);
        Put(out, statedCount_.value_or(static_cast<std::int32_t>(records_.size())));
        out.resize(63, 0);
        Put(out, statedExtras_.value_or(static_cast<std::int32_t>(extras_.size())));
        out.resize(99, 0);
        for (const std::string& s : headerStrings_) PutString(out, s);
        out.resize(out.size() + 34, 0);
        Put(out, datum_);
        out.resize(out.size() + 22, 0);
        for (const auto& [first, second] : extras_) {
            PutString(out, first);
            PutString(out, second);
            out.resize(out.size() + 30, 0x5A);
        }
        for (const GtmRecordSpec& r : records_) {
            Put(out, r.latitude);
            Put(out, r.longitude);
            PutPadded(out, r.name, 10);
            PutString(out, r.comment);
            Put(out, r.icon);
            out.resize(out.size() + 7, 0x33);  // fields the reader skips
            Put(out, r.altitude);
            out.resize(out.size() + 2, 0x44);
        }
        return out;
    }

private:
    template <typename T, typename V>
    GtmBuilder& Set(T& field, V value) {
        field = std::move(value);
        return *this;
    }
    // The tests run on little-endian machines, like the format.
    template <typename T>
    static void Put(std::vector<std::uint8_t>& out, T value) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        out.insert(out.end(), p, p + sizeof value);
    }
    static void PutPadded(std::vector<std::uint8_t>& out, std::string s, std::size_t size) {
        s.resize(size, '\0');
        out.insert(out.end(), s.begin(), s.end());
    }
    static void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
        Put(out, static_cast<std::uint16_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }

    std::uint16_t version_ = 211, datum_ = 217;
    std::uint8_t marker_ = 0xFF;
    std::vector<std::string> headerStrings_ = {"Times New Roman", "", "", ""};
    std::vector<std::pair<std::string, std::string>> extras_;
    std::vector<GtmRecordSpec> records_;
    std::optional<std::int32_t> statedCount_, statedExtras_;
};

}  // namespace quendra::testing
