#include "app/qt/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdlib>

namespace quendra {

namespace {

void SubstituteMingFaces() {
    static const bool installed = [] {
        // The face's English name first (Windows outside Taiwan may know it by that),
        // then AR PL UMing from fonts-arphic-uming, then Noto CJK TC.
        const QStringList faces = {"PMingLiU",          "AR PL UMing TW",   "AR PL UMing TW MBE",
                                   "Noto Serif CJK TC", "Noto Sans CJK TC", "AR PL UKai TW"};
        QFont::insertSubstitutions(QStringLiteral("新細明體"), faces);
        QFont::insertSubstitutions(QStringLiteral("PMingLiU"), faces.mid(1));
        return true;
    }();
    (void)installed;
}

}  // namespace

QFont DialogFont(const QString& family, int pointSize) {
    SubstituteMingFaces();
    QFont font(family, pointSize);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long divisor = std::llabs(static_cast<long long>(c));
    const long long quotient = (std::llabs(product) + divisor / 2) / divisor;
    return static_cast<int>((product < 0) != (c < 0) ? -quotient : quotient);
}

QRect MapDialogRect(const QRect& dialogUnits, DialogBaseUnits base) {
    return QRect(MulDiv(dialogUnits.x(), base.x, 4), MulDiv(dialogUnits.y(), base.y, 8),
                 MulDiv(dialogUnits.width(), base.x, 4), MulDiv(dialogUnits.height(), base.y, 8));
}

QSize MapDialogSize(const QSize& dialogUnits, DialogBaseUnits base) {
    return QSize(MulDiv(dialogUnits.width(), base.x, 4), MulDiv(dialogUnits.height(), base.y, 8));
}

}  // namespace quendra
