#pragma once

#include "display/Palette.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace vidrune {

// 8-bit palette pixels as an indexed QImage with the display's 256 colours.
class PaletteImage {
public:
    // A deep copy of width x height pixels whose rows are stride bytes apart; a null image
    // for an empty size.
    static QImage Make(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                       const Palette& palette);
};

} // namespace vidrune
