#include "waypoints/garmin_symbols.h"

#include <algorithm>

namespace quendra {

namespace {

struct Symbol {
    std::uint16_t code;
    std::string_view name;
};

// The codes are Garmin's, from its published device interface document 001-00063-00,
// Rev. C (May 2006), 7.3.15 symbol_type: sym_wpt_dot = 18 "waypoint dot", sym_park = 159 "park symbol",
// sym_scenic = 161 "scenic area symbol", sym_church = 8236 "church symbol", sym_summit =
// 8246 "summit symbol" (8236 and 8246 are not in revisions before 2004). The names are those
// Garmin's MapSource and BaseCamp write in GPX <sym> for them.
constexpr Symbol kSymbols[] = {
    {18, "Waypoint"}, {159, "Park"}, {161, "Scenic Area"}, {8236, "Church"}, {8246, "Summit"},
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    // ASCII only: the names are, and the locale must not matter.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string_view SymbolName(std::uint16_t symbolCode) {
    for (const Symbol& symbol : kSymbols) {
        if (symbol.code == symbolCode) return symbol.name;
    }
    return {};
}

std::uint16_t SymbolForName(std::string_view name) {
    for (const Symbol& symbol : kSymbols) {
        if (EqualIgnoringCase(symbol.name, name)) return symbol.code;
    }
    return kDefaultSymbol;
}

}  // namespace quendra
