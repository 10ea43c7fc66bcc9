// The five symbols a WTR file holds, by code and by the name Garmin's own software writes
// for each in GPX files.
#pragma once

#include <cstdint>
#include <string_view>

namespace quendra {

inline constexpr std::uint16_t kDefaultSymbol = 18;  // the waypoint dot

// The display name of one of the five codes; empty for any other code.
std::string_view SymbolName(std::uint16_t symbolCode);
// The code whose display name equals `name`, ignoring ASCII case; kDefaultSymbol for any
// other name.
std::uint16_t SymbolForName(std::string_view name);

}  // namespace quendra
