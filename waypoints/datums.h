// The geodetic datums Quendra converts to WGS84, keyed by GTM datum code, and the
// conversion GPS TrackMaker makes between them: a geocentric translation at height 0.
#pragma once

#include <cstdint>
#include <span>

namespace quendra {

struct Ellipsoid {
    const char* name;
    double semiMajorAxis;  // a, metres
    double inverseFlattening;
};

struct Datum {
    std::uint16_t code;  // as in the GTM header
    const char* name;
    Ellipsoid ellipsoid;
    // The datum's centre relative to WGS84's, metres: added to Earth-centred coordinates.
    double dx, dy, dz;
    const char* source;
};

// Every known datum in code order, WGS84 (217) included.
std::span<const Datum> KnownDatums();

// The datum of a GTM code, or null when it is not known.
const Datum* FindDatum(std::uint16_t code);

// Moves a position on `datum` to WGS84, in degrees: geodetic to Earth-centred on the
// datum's ellipsoid at height 0, shifted by dx dy dz, back to geodetic on WGS84. A latitude
// beyond ±90° or a coordinate that is not finite is no position and is left as it is.
void ToWgs84(const Datum& datum, double& latitude, double& longitude);

}  // namespace quendra
