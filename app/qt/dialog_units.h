// The dialog font and the conversion of dialog units to pixels, as Windows lays out a
// dialog template.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

namespace quendra {

// The font a dialog template names, asked for by that name. For the Ming face of
// Traditional-Chinese Windows the free Ming faces Linux ships stand in when it is missing.
QFont DialogFont(const QString& family, int pointSize);

// Average character width and height of a font, in pixels.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// a * b / c rounded half away from zero, as Windows scales dialog coordinates.
int MulDiv(int a, int b, int c);

// Each coordinate mapped on its own: x and width by x / 4, y and height by y / 8.
QRect MapDialogRect(const QRect& dialogUnits, DialogBaseUnits base);
QSize MapDialogSize(const QSize& dialogUnits, DialogBaseUnits base);

}  // namespace quendra
