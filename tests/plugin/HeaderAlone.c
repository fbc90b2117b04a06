/* Compiled alone as C89, C11, C++11 and C++20: the public header needs nothing else, and its
   constants serve as case labels (each distinct) and initialisers, where hosts use them. */
#include "vidrune.h"

extern const char* VidruneErrorName(uint32_t code);
const char* VidruneErrorName(uint32_t code) {
    switch (code) {
    case VIDRUNE_ERROR_NONE:
    case VIDRUNE_ERROR_TIMEOUT:
    case VIDRUNE_ERROR_FRAME_GONE:
        return "known";
    default:
        return VIDRUNE_ATTR_VERSION;
    }
}

extern const uint32_t vidruneKinds[];
const uint32_t vidruneKinds[] = {VIDRUNE_ACQUIRE_NORMAL, VIDRUNE_READ_BY_INDEX,
                                 VIDRUNE_READ_COPY,      VIDRUNE_GRAPHIC_DISPLAY_MODE,
                                 VIDRUNE_INPUT_CAMERA,   VIDRUNE_DEVICE_BOARD};
