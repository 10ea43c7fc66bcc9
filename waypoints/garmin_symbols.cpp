#include "waypoints/garmin_symbols.h"

#include <algorithm>

namespace quendra {

namespace {

struct Symbol {
    std::uint16_t code;
    std::string_view name;
};

// The codes and their Symbol_Type names are Garmin's: Garmin Device Interface
// Specification, 001-00063-00, section Symbol_Type (sym_wpt_dot, sym_park, sym_scenic,
// sym_church, sym_summit). The names are those Garmin's own software writes in GPX <sym>.
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
