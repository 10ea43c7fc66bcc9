#include "waypoints/gpx_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>

#include "platform/large_memory.h"
#include "platform/xml_reader.h"
#include "waypoints/garmin_symbols.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {

constexpr std::size_t kNameLength = 10;
// Far beyond a name, height or symbol: the rest of a longer text is not kept.
constexpr std::size_t kMaxKeptText = 4096;
constexpr std::size_t kDeclarationPeek = 1024;

// The length of the UTF-8 sequence `lead` starts; 1 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::uint32_t CodePoint(std::string_view character) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(character[i]); };
    switch (character.size()) {
        case 2:
            return (byte(0) & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
        case 3:
            return (byte(0) & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        case 4:
            return (byte(0) & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 |
                   (byte(3) & 0x3Fu);
        default:
            return byte(0);
    }
}

// White space as Python's str.strip() knows it, so names are trimmed as users' tools trim them.
bool IsSpace(std::uint32_t c) {
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 ||
           c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// The character of UTF-8 `text` at `at`, as its bytes.
std::string_view CharacterAt(std::string_view text, std::size_t at) {
    return text.substr(at, SequenceLength(static_cast<unsigned char>(text[at])));
}

// `text` without the white space around it.
std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsSpace(CodePoint(CharacterAt(text, 0)))) {
        text.remove_prefix(CharacterAt(text, 0).size());
    }
    while (!text.empty()) {
        std::size_t last = text.size() - 1;
        while (last > 0 && (static_cast<unsigned char>(text[last]) & 0xC0) == 0x80) --last;
        const std::string_view character = CharacterAt(text, last);
        if (last + character.size() != text.size() || !IsSpace(CodePoint(character))) break;
        text.remove_suffix(character.size());
    }
    return text;
}

std::string_view TrimXmlSpace(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// A number as XML Schema writes one, surrounding white space and a leading + allowed.
template <class Number>
bool ParseNumber(std::string_view text, Number& value) {
    text = TrimXmlSpace(text);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || (plus && text.front() == '-')) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Records kept as they come, in large memory that doubles when full.
class RecordBuffer {
public:
    bool Add(const GtmWaypoint& waypoint) {
        if (size_ == capacity_) {
            const std::size_t bigger = std::max<std::size_t>(1024, capacity_ * 2);
            void* grown = GrowLarge(records_.get(), bigger * sizeof(GtmWaypoint));
            if (grown == nullptr) return false;
            (void)records_.release();
            records_.reset(static_cast<GtmWaypoint*>(grown));
            capacity_ = bigger;
        }
        records_[size_++] = waypoint;
        return true;
    }
    std::size_t size() const { return size_; }
    LargeArray<GtmWaypoint> Take() { return std::move(records_); }

private:
    LargeArray<GtmWaypoint> records_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

class GpxHandler : public XmlHandler {
public:
    GpxHandler(CodePageEncoder& encoder, GpxReport& report) : encoder_(encoder), report_(report) {
        // Asked once, not for each character of each name.
        std::string written;
        for (char c = ' '; c < 0x7F && asciiAsIs_; ++c) {
            written.clear();
            asciiAsIs_ = encoder_.Encode(std::string_view(&c, 1), written) &&
                         written == std::string_view(&c, 1);
        }
    }

    bool StartElement(std::string_view name, std::span<const XmlAttribute> attributes) override {
        ++depth_;
        if (depth_ == 1) {
            sawRoot_ = true;
            if (name != "gpx") return Stop(Failure::WrongSignature);
        } else if (depth_ == 2 && name == "wpt") {
            StartWaypoint(attributes);
        } else if (inWaypoint_ && depth_ == 3) {
            kept_ = name == "name"  ? &nameText_
                    : name == "ele" ? &eleText_
                    : name == "sym" ? &symText_
                                    : nullptr;
            if (kept_ != nullptr) kept_->clear();
        } else if (name == "rtept") {
            ++report_.routePoints;
        } else if (name == "trkpt") {
            ++report_.trackPoints;
        }
        return true;
    }

    bool EndElement(std::string_view) override {
        if (depth_ == 3) kept_ = nullptr;
        if (depth_-- == 2 && inWaypoint_) return EndWaypoint();
        return true;
    }

    bool Text(std::string_view text) override {
        if (kept_ != nullptr) {
            kept_->append(text.substr(0, kMaxKeptText - std::min(kMaxKeptText, kept_->size())));
        }
        return true;
    }

    bool sawRoot() const { return sawRoot_; }
    Failure failure() const { return failure_; }
    RecordBuffer& records() { return records_; }
    // For each changed name, its number and a hash of the original: different names that
    // were written alike are found once everything is read.
    const std::vector<std::pair<std::size_t, std::size_t>>& changed() const { return changed_; }

private:
    bool Stop(Failure why) {
        failure_ = why;
        return false;
    }

    void StartWaypoint(std::span<const XmlAttribute> attributes) {
        inWaypoint_ = true;
        nameText_.clear();
        eleText_.clear();
        symText_.clear();
        latText_.reset();
        lonText_.reset();
        for (const XmlAttribute& attribute : attributes) {
            if (attribute.name == "lat") latText_ = attribute.value.substr(0, kMaxKeptText);
            if (attribute.name == "lon") lonText_ = attribute.value.substr(0, kMaxKeptText);
        }
    }

    bool EndWaypoint() {
        inWaypoint_ = false;
        GtmWaypoint waypoint{};
        const bool parsed = latText_ && lonText_ && ParseNumber(*latText_, waypoint.latitude) &&
                            ParseNumber(*lonText_, waypoint.longitude);
        if (!parsed || !IsRealPosition(waypoint.latitude, waypoint.longitude)) {
            report_.badWaypoint = static_cast<std::int32_t>(records_.size());
            report_.badName = std::string(TrimmedName());
            report_.badLatitude = latText_.value_or("(none)");
            report_.badLongitude = lonText_.value_or("(none)");
            return Stop(Failure::BadPosition);
        }
        if (!ParseNumber(eleText_, waypoint.altitude) || !std::isfinite(waypoint.altitude)) {
            // No height at all is better than a made-up one.
            waypoint.altitude = kUnknownAltitude;
        }
        waypoint.iconCode = GtmIconFor(SymbolForName(TrimXmlSpace(symText_)));
        if (FitName(nameText_, encoder_, asciiAsIs_, waypoint.name)) {
            const std::string_view original = TrimmedName();
            if (report_.firstChanged.size() < GpxReport::kNamesShown) {
                report_.firstChanged.push_back({std::string(original), waypoint.name});
            }
            ++report_.changedNames;
            changed_.emplace_back(records_.size(), std::hash<std::string_view>()(original));
        }
        if (records_.size() >= static_cast<std::size_t>(INT32_MAX) || !records_.Add(waypoint)) {
            return Stop(Failure::OutOfMemory);
        }
        return true;
    }

    std::string_view TrimmedName() const { return TrimSpace(nameText_); }

    CodePageEncoder& encoder_;
    GpxReport& report_;
    bool asciiAsIs_ = true;
    int depth_ = 0;
    bool sawRoot_ = false;
    bool inWaypoint_ = false;
    std::string nameText_, eleText_, symText_;
    std::optional<std::string> latText_, lonText_;
    std::string* kept_ = nullptr;
    Failure failure_ = Failure::None;
    RecordBuffer records_;
    std::vector<std::pair<std::size_t, std::size_t>> changed_;
};

// Different names written alike: a run of equal written names holding a changed one,
// unless every name in it changed from the same original.
void FindMergedNames(const GtmWaypoint* records, std::size_t count,
                     const std::vector<std::pair<std::size_t, std::size_t>>& changed,
                     GpxReport& report) {
    if (changed.empty()) return;
    // The names sorted beside their numbers, side by side in memory: a million of them sort
    // in a blink, where sorting numbers that point at the records does not.
    struct Key {
        char name[kNameLength];
        bool changed;
        std::uint32_t index;
    };
    std::vector<Key> keys(count);
    auto next = changed.begin();  // in the order of the records
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(keys[i].name, records[i].name, kNameLength);
        keys[i].changed = next != changed.end() && next->first == i;
        if (keys[i].changed) ++next;
        keys[i].index = static_cast<std::uint32_t>(i);
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::memcmp(a.name, b.name, kNameLength) < 0;
    });
    const auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(keys[a].name, keys[b].name, kNameLength) == 0;
    };
    // The hash of a changed name's original.
    const auto original = [&](std::uint32_t i) {
        return std::lower_bound(changed.begin(), changed.end(),
                                std::pair<std::size_t, std::size_t>(i, 0))
            ->second;
    };
    for (std::size_t run = 0; run < count;) {
        std::size_t end = run + 1;
        std::size_t changes = keys[run].changed;
        for (; end < count && same(end, run); ++end) changes += keys[end].changed;
        // Names written as they were are equal only if they were so already; one changed
        // and one not were different before.
        bool differ = changes > 0 && changes < end - run;
        for (std::size_t i = run + 1; changes == end - run && i < end && !differ; ++i) {
            differ = original(keys[i].index) != original(keys[run].index);
        }
        if (differ) {
            if (report.firstMerged.size() < GpxReport::kNamesShown) {
                report.firstMerged.emplace_back(keys[run].name,
                                                strnlen(keys[run].name, kNameLength));
            }
            ++report.mergedNames;
        }
        run = end;
    }
}

// Big5 bytes read as UTF-8 text for the parser, which knows no Big5; the declaration is
// made to say so. A double-byte character cut by a piece's end waits for the next piece.
class Big5Source : public ByteSource {
public:
    explicit Big5Source(ByteSource& big5) : big5_(big5) { decoder_.Open(kGpxNameCodePage); }

    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override {
        got = 0;
        while (decoded_.size() == given_ && !ended_) {
            if (!Refill()) return false;
        }
        got = std::min(size, decoded_.size() - given_);
        std::memcpy(out, decoded_.data() + given_, got);
        given_ += got;
        return true;
    }

private:
    bool Refill() {
        std::uint8_t piece[16 << 10];
        std::size_t got = 0;
        if (!big5_.Read(piece, sizeof piece, got)) {
            failure = big5_.failure;
            cause = big5_.cause;
            return false;
        }
        ended_ = got == 0;
        pending_.append(reinterpret_cast<const char*>(piece), got);
        // Only whole characters: a lead byte (0x81-0xFE) takes the byte after it.
        std::size_t whole = 0;
        while (whole < pending_.size()) {
            const auto lead = static_cast<unsigned char>(pending_[whole]);
            const std::size_t length = lead >= 0x81 && lead <= 0xFE ? 2 : 1;
            if (whole + length > pending_.size() && !ended_) break;
            whole += length;
        }
        whole = std::min(whole, pending_.size());
        decoded_ = decoder_.Decode(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
        given_ = 0;
        if (first_) {
            first_ = false;
            RenameEncoding();
        }
        return true;
    }

    // The declaration's encoding="Big5" becomes encoding="UTF-8".
    void RenameEncoding() {
        const std::size_t end = decoded_.find("?>");
        const std::size_t name = decoded_.find("encoding", 0);
        if (end == std::string::npos || name == std::string::npos || name > end) return;
        const std::size_t open = decoded_.find_first_of("\"'", name);
        if (open == std::string::npos || open > end) return;
        const std::size_t close = decoded_.find(decoded_[open], open + 1);
        if (close == std::string::npos || close > end) return;
        decoded_.replace(open + 1, close - open - 1, "UTF-8");
    }

    ByteSource& big5_;
    CodePageDecoder decoder_;
    std::string pending_;
    std::string decoded_;
    std::size_t given_ = 0;
    bool ended_ = false;
    bool first_ = true;
};

// Whether the document's first bytes declare Big5 (no byte-order mark, which would say
// otherwise).
bool DeclaresBig5(std::span<const std::uint8_t> head) {
    std::string text(head.begin(), head.end());
    if (text.rfind("<?xml", 0) != 0) return false;
    text = text.substr(0, text.find("?>"));
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    for (std::string_view name : {"big5", "big5-hkscs", "cp950", "x-big5", "ms950"}) {
        for (char quote : {'"', '\''}) {
            std::string value;
            value += quote;
            value += name;
            value += quote;
            const std::size_t at = text.find(value);
            if (at != std::string::npos && text.find("encoding") < at) return true;
        }
    }
    return false;
}

}  // namespace

bool FitName(std::string_view text, CodePageEncoder& encoder, bool asciiAsIs, char (&name)[11]) {
    std::memset(name, 0, sizeof name);
    text = TrimSpace(text);
    bool changed = false;
    std::size_t length = 0;
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        const std::string_view character = CharacterAt(text, at);
        at += character.size();
        bytes.clear();
        const bool ascii = character.size() == 1 && character[0] >= ' ' && character[0] < 0x7F;
        if (ascii && asciiAsIs) {
            bytes.push_back(character[0]);
        } else if (!encoder.Encode(character, bytes)) {
            bytes.clear();
            bytes.push_back('?');
            changed = true;
        }
        if (length + bytes.size() > kNameLength) {
            changed = true;
            break;
        }
        std::memcpy(name + length, bytes.data(), bytes.size());
        length += bytes.size();
    }
    return changed;
}

bool LoadGpx(ByteSource& input, CodePageEncoder& names, GtmWaypointSet& set, GpxReport& report) {
    report = {};
    set.count = 0;
    set.records.reset();
    set.datumCode = kDatumWgs84;
    set.cause.clear();
    auto fail = [&](Failure why) {
        set.error = why;
        return false;
    };

    // A failure here comes again when the parser reads on, after what did arrive: a foreign
    // file is known as such on its first bytes, whatever follows them.
    std::vector<std::uint8_t> head;
    ReadUpTo(input, kDeclarationPeek, head);
    const bool big5 = DeclaresBig5(head);
    PrefixedSource whole(std::move(head), input);
    Big5Source fromBig5(whole);
    ByteSource& document = big5 ? static_cast<ByteSource&>(fromBig5) : whole;

    GpxHandler handler(names, report);
    XmlError xml;
    if (!ReadXml(document, handler, xml)) {
        report.line = xml.line;
        if (handler.failure() != Failure::None) return fail(handler.failure());
        if (xml.failure == document.failure && document.failure != Failure::None) {
            set.cause = document.cause;
            return fail(xml.failure);
        }
        // Before the first element, bytes that are no XML are simply not a GPX file.
        if (!handler.sawRoot() && xml.failure == Failure::MalformedXml) {
            return fail(Failure::WrongSignature);
        }
        return fail(xml.failure);
    }
    RecordBuffer& records = handler.records();
    if (records.size() == 0) return fail(Failure::NoWaypoints);
    LargeArray<GtmWaypoint> kept = records.Take();
    FindMergedNames(kept.get(), records.size(), handler.changed(), report);
    set.count = static_cast<std::int32_t>(records.size());
    set.records = std::move(kept);
    set.error = Failure::None;
    return true;
}

}  // namespace quendra
