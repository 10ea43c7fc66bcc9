// GPX 1.1 files written from waypoints, for maps, phone apps and GPSBabel.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_io.h"

namespace quendra {

class GpxWriter {
public:
    // Starts the file at `path` by the rules of SafeFileWriter (an `input` naming the same
    // file is refused); nothing replaces an old file before Commit.
    bool Open(const std::filesystem::path& path, const std::filesystem::path& input = {});
    // One `wpt`: positions in the shortest text that reads back as the same double, the
    // altitude in the shortest text of the float (none for kUnknownAltitude or no number),
    // the UTF-8 name trimmed of the spaces and zero bytes a WTR name is padded with (none
    // when nothing is left), and the display name of one of the five symbols.
    void Add(std::string_view name, double latitude, double longitude, float altitude,
             std::uint16_t symbolCode);
    bool Commit();
    const std::error_code& error() const { return file_.error(); }

private:
    SafeFileWriter file_;
    std::string text_;  // one waypoint's, reused
};

// Text as XML holds it between tags or in quotes: markup characters and carriage returns as
// references, and characters XML 1.0 cannot hold (other controls but tab and line feed) as
// U+FFFD.
void AppendEscaped(std::string& text, std::string_view value);

}  // namespace quendra
