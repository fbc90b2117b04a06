/* Compiled alone as C89, C11, C++11 and C++20: the public header needs nothing else and its
   constants are usable where a host uses them. (support/PluginLibrary.h checks that each
   function-pointer type is the type of its export.) */
#include "vidrune.h"

/* Constants where hosts use them: case labels (each distinct) and initialisers. */

extern const char* VidruneErrorName(uint32_t code);
const char* VidruneErrorName(uint32_t code) {
    switch (code) {
    case VIDRUNE_ERROR_NONE:
        return "none";
    case VIDRUNE_ERROR_TIMEOUT:
        return "time-out";
    case VIDRUNE_ERROR_FRAME_GONE:
        return "gone";
    default:
        return VIDRUNE_ATTR_VERSION;
    }
}

extern const uint32_t vidruneKinds[];
const uint32_t vidruneKinds[] = {VIDRUNE_ACQUIRE_NORMAL, VIDRUNE_READ_BY_INDEX,
                                 VIDRUNE_READ_COPY,      VIDRUNE_GRAPHIC_DISPLAY_MODE,
                                 VIDRUNE_INPUT_CAMERA,   VIDRUNE_DEVICE_BOARD};
