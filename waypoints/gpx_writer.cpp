#include "waypoints/gpx_writer.h"

#include <charconv>
#include <cmath>

#include "waypoints/garmin_symbols.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Quendra\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
constexpr std::string_view kFooter = "</gpx>\n";

template <class Number>
void AppendNumber(std::string& text, Number value) {
    char digits[32];
    text.append(digits, std::to_chars(digits, std::end(digits), value).ptr);
}

}  // namespace

void AppendEscaped(std::string& text, std::string_view value) {
    for (char c : value) {
        switch (c) {
            case '&':
                text += "&amp;";
                break;
            case '<':
                text += "&lt;";
                break;
            case '>':
                text += "&gt;";
                break;
            case '"':
                text += "&quot;";
                break;
            case '\'':
                text += "&apos;";
                break;
            case '\r':  // a parser would read a bare one as a line feed
                text += "&#xD;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
                    text += "\xEF\xBF\xBD";
                } else {
                    text += c;
                }
        }
    }
}

bool GpxWriter::Open(const std::filesystem::path& path, const std::filesystem::path& input) {
    return file_.Open(path, input) && file_.Write(kHeader.data(), kHeader.size());
}

void GpxWriter::Add(std::string_view name, double latitude, double longitude, float altitude,
                    std::uint16_t symbolCode) {
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
    text_ = "  <wpt lat=\"";
    AppendNumber(text_, latitude);
    text_ += "\" lon=\"";
    AppendNumber(text_, longitude);
    text_ += "\">";
    if (altitude != kUnknownAltitude && std::isfinite(altitude)) {
        text_ += "<ele>";
        AppendNumber(text_, altitude);
        text_ += "</ele>";
    }
    if (!name.empty()) {
        text_ += "<name>";
        AppendEscaped(text_, name);
        text_ += "</name>";
    }
    if (std::string_view symbol = SymbolName(symbolCode); !symbol.empty()) {
        text_ += "<sym>";
        text_ += symbol;
        text_ += "</sym>";
    }
    text_ += "</wpt>\n";
    // A failed write is kept by the writer, and Commit answers for it.
    file_.Write(text_.data(), text_.size());
}

bool GpxWriter::Commit() {
    return file_.Write(kFooter.data(), kFooter.size()) && file_.Commit();
}

}  // namespace quendra
