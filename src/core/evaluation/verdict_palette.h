#pragma once

// The colours a verdict and a harmonic's state are shown in, as red, green
// and blue from 0 to 255: the window's cells and verdict field, the legend's
// swatches and the PDF report's verdict box and chart use these same values.
// The platform's own colours (the tooltip background, the text colour) are
// no part of it: the window takes them from the style.
struct Rgb
{
    int red;
    int green;
    int blue;
};

namespace VerdictPalette {
inline constexpr Rgb kFail{255, 0, 0};
inline constexpr Rgb kNotTested{0, 0, 255};
inline constexpr Rgb kPass{0, 255, 0};
// The limit cells, never changed.
inline constexpr Rgb kLimitCell{255, 224, 192};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
} // namespace VerdictPalette
