#include "waypoints/datums.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quendra {

namespace {

// Every GTM datum code, from res/gtm-datums.csv: ellipsoids and shifts of NIMA TR8350.2,
// "Department of Defense World Geodetic System 1984", Third Edition, 4 July 1997 (through
// NGA's tables, used with credit), that one edition throughout, and of EPSG for four codes
// TR8350.2 does not have. Its 2000 amendment moves Tokyo (South Korea) to -147 506 687; the
// 1997 values are kept so that the table is one edition.
constexpr Datum kDatums[] = {
#include "datum_table.inc"
};

constexpr Ellipsoid kWgs84{"WGS 84", 6378137.0, 298.257223563};

// A "(GPS)" variant with no values of its own converts exactly as its base datum.
constexpr bool AssumedRowsMatchTheirBase() {
    for (const Datum& d : kDatums) {
        if (d.basis != DatumBasis::Assumed) continue;
        const auto* base = std::ranges::find(kDatums, d.assumedFrom, &Datum::code);
        if (base == std::end(kDatums) || !base->HasShift() || base->dx != d.dx ||
            base->dy != d.dy || base->dz != d.dz ||
            base->ellipsoid.semiMajorAxis != d.ellipsoid.semiMajorAxis ||
            base->ellipsoid.inverseFlattening != d.ellipsoid.inverseFlattening) {
            return false;
        }
    }
    return true;
}

static_assert(std::ranges::is_sorted(kDatums, {}, &Datum::code));
static_assert(AssumedRowsMatchTheirBase());

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
