#include "display/Palette.h"

namespace vidrune {

Palette::Palette() {
    for (int i = 0; i < kSize; ++i) {
        const auto gray = static_cast<uint8_t>(i);
        colours_[i] = PaletteEntry{gray, gray, gray};
        // Single precision on purpose: the table must match the one the images were tuned on.
        grayToPalette_[i] = static_cast<uint8_t>(static_cast<float>(i) * 237.0f / 255.0f + 3.0f);
    }
    colours_[kSaturatedEntry] = PaletteEntry{240, 0, 0};
}

} // namespace vidrune
