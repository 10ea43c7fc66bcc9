#include "waypoints/datums.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quendra {

namespace {

// Ellipsoids and shifts: NIMA TR8350.2, "Department of Defense World Geodetic System 1984",
// Third Edition, 4 July 1997: its reference ellipsoids and its local datum to WGS 84
// shifts, from that one edition throughout. Its 2000 amendment moves Tokyo (South Korea)
// to -147 506 687; the 1997 values are kept so that the table is one edition.
constexpr Ellipsoid kInternational1924{"International 1924", 6378388.0, 297.0};
constexpr Ellipsoid kBessel1841{"Bessel 1841", 6377397.155, 299.1528128};
constexpr Ellipsoid kWgs84{"WGS 84", 6378137.0, 298.257223563};

constexpr Datum kDatums[] = {
    {80, "Hong Kong 1963", kInternational1924, -156, -271, -189,
     "NIMA TR8350.2 3rd ed. (1997): Hong Kong 1963 (Hong Kong)"},
    {81, "Hu-Tzu-Shan", kInternational1924, -637, -549, -203,
     "NIMA TR8350.2 3rd ed. (1997): Hu-Tzu-Shan (Taiwan)"},
    {207, "Tokyo (Japan)", kBessel1841, -148, 507, 685,
     "NIMA TR8350.2 3rd ed. (1997): Tokyo (Japan)"},
    {208, "Tokyo (mean)", kBessel1841, -148, 507, 685,
     "NIMA TR8350.2 3rd ed. (1997): Tokyo (mean solution)"},
    {209, "Tokyo (Okinawa)", kBessel1841, -158, 507, 676,
     "NIMA TR8350.2 3rd ed. (1997): Tokyo (Okinawa)"},
    {210, "Tokyo (South Korea)", kBessel1841, -146, 507, 687,
     "NIMA TR8350.2 3rd ed. (1997): Tokyo (South Korea)"},
    {217, "WGS84", kWgs84, 0, 0, 0, "NIMA TR8350.2 3rd ed. (1997): WGS 84 ellipsoid"},
    // GPS TrackMaker's own parameters for its "(GPS)" variant are not documented to us:
    // the same datum, the same shift.
    {241, "Hu-Tzu-Shan (GPS)", kInternational1924, -637, -549, -203,
     "NIMA TR8350.2 3rd ed. (1997): Hu-Tzu-Shan (Taiwan), as code 81"},
};

static_assert(std::ranges::is_sorted(kDatums, {}, &Datum::code));

double SquaredEccentricity(const Ellipsoid& ellipsoid) {
    const double f = 1.0 / ellipsoid.inverseFlattening;
    return f * (2.0 - f);
}

}  // namespace

std::span<const Datum> KnownDatums() {
    return kDatums;
}

const Datum* FindDatum(std::uint16_t code) {
    const auto* found = std::ranges::lower_bound(kDatums, code, {}, &Datum::code);
    return found != std::end(kDatums) && found->code == code ? found : nullptr;
}

void ToWgs84(const Datum& datum, double& latitude, double& longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90.0) {
        return;
    }
    constexpr double kRadians = std::numbers::pi / 180.0;
    const double phi = latitude * kRadians;
    const double lambda = longitude * kRadians;

    // Earth-centred on the datum's ellipsoid, height 0 (the altitude is not a height
    // above this ellipsoid, and GPS TrackMaker leaves it out).
    const double a = datum.ellipsoid.semiMajorAxis;
    const double e2 = SquaredEccentricity(datum.ellipsoid);
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double n = a / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
    const double x = n * cosPhi * std::cos(lambda) + datum.dx;
    const double y = n * cosPhi * std::sin(lambda) + datum.dy;
    const double z = n * (1.0 - e2) * sinPhi + datum.dz;

    // Back to geodetic on WGS84 by Bowring's closed form (1976), with no trigonometry for
    // the parametric latitude: near the surface, as every shifted position is, it is within
    // a micrometre of the exact latitude.
    const double wa = kWgs84.semiMajorAxis;
    const double wb = wa * (1.0 - 1.0 / kWgs84.inverseFlattening);
    const double we2 = SquaredEccentricity(kWgs84);
    const double p = std::sqrt(x * x + y * y);
    const double t = z * wa / (p * wb);  // tan of the parametric latitude
    const double cosU = 1.0 / std::sqrt(1.0 + t * t);
    const double sinU = t * cosU;
    const double lat = std::atan2(z + we2 / (1.0 - we2) * wb * sinU * sinU * sinU,
                                  p - we2 * wa * cosU * cosU * cosU);
    latitude = lat / kRadians;
    longitude = std::atan2(y, x) / kRadians;
}

}  // namespace quendra
