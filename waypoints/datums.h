// The geodetic datums of GTM files, keyed by GTM datum code, and the conversion GPS
// TrackMaker makes between them and WGS84: a geocentric translation at height 0.
#pragma once

#include <cstdint>
#include <span>

namespace quendra {

struct Ellipsoid {
    const char* name;
    double semiMajorAxis;  // a, metres
    double inverseFlattening;
};

// Where a datum's shift comes from.
enum class DatumBasis : std::uint8_t {
    Wgs84,     // WGS84 itself (217)
    Nima1997,  // NIMA TR8350.2, 3rd ed. (1997), as NGA publishes its tables
    Epsg,      // the EPSG transformation named in `epsg`
    Assumed,   // none of its own: taken to be that of code `assumedFrom`
    None,      // no published 3-parameter shift: never converted
};

struct Datum {
    std::uint16_t code;  // as in the GTM header
    const char* name;
    Ellipsoid ellipsoid;  // name "" when not known (only where basis is None)
    // The datum's centre relative to WGS84's, metres: added to Earth-centred coordinates.
    double dx, dy, dz;
    DatumBasis basis;
    std::uint16_t assumedFrom;  // for Assumed
    const char* ngaId;          // TR8350.2's datum identifier, or ""
    const char* epsg;           // an EPSG transformation with this shift, or ""

    constexpr bool HasShift() const { return basis != DatumBasis::None; }
};

// All 262 GTM datum codes in code order, those without a shift included.
std::span<const Datum> KnownDatums();

// The datum of a GTM code, or null when GTM has no such code.
const Datum* FindDatum(std::uint16_t code);

// Moves a position on `datum` (one with a shift) to WGS84, in degrees: geodetic to
// Earth-centred on the datum's ellipsoid at height 0, shifted by dx dy dz, back to geodetic
// on WGS84. A latitude beyond ±90° or a coordinate that is not finite is no position and is
// left as it is.
void ToWgs84(const Datum& datum, double& latitude, double& longitude);

}  // namespace quendra
