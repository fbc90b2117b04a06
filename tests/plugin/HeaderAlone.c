/* Compiled alone as C89, C11, C++11 and C++20: the public header needs nothing else, its
   constants are usable where a host uses them, and each function-pointer type is the
   type of its export (a mismatch is an error with -Werror in C and always in C++). */
#include "vidrune.h"

/* Each export's address in a variable of its function-pointer type. */
#define VIDRUNE_EXPORT_TYPE(name)                                                                  \
    extern Vidrune##name##Fn vidrune##name;                                                        \
    Vidrune##name##Fn vidrune##name = &name;
VIDRUNE_EXPORT_TYPE(AcqDeviceQuery)
VIDRUNE_EXPORT_TYPE(AcqDeviceSet)
VIDRUNE_EXPORT_TYPE(AcqGetLastError)
VIDRUNE_EXPORT_TYPE(AcqInputDeviceQuery)
VIDRUNE_EXPORT_TYPE(AcqInputDeviceSet)
VIDRUNE_EXPORT_TYPE(AcqInputModeQuery)
VIDRUNE_EXPORT_TYPE(AcqInputModeSet)
VIDRUNE_EXPORT_TYPE(AcquireStart)
VIDRUNE_EXPORT_TYPE(AcquireStop)
VIDRUNE_EXPORT_TYPE(CloseDevice)
VIDRUNE_EXPORT_TYPE(FreeDeviceResources)
VIDRUNE_EXPORT_TYPE(GetAcqDeviceId)
VIDRUNE_EXPORT_TYPE(GetAcqDeviceType)
VIDRUNE_EXPORT_TYPE(GetCurrentInputDevice)
VIDRUNE_EXPORT_TYPE(GetCurrentInputMode)
VIDRUNE_EXPORT_TYPE(GetDeviceHandle)
VIDRUNE_EXPORT_TYPE(GetFirstInputDeviceName)
VIDRUNE_EXPORT_TYPE(GetFirstInputModeName)
VIDRUNE_EXPORT_TYPE(GetInputDeviceId)
VIDRUNE_EXPORT_TYPE(GetInputDeviceType)
VIDRUNE_EXPORT_TYPE(GetInputModeId)
VIDRUNE_EXPORT_TYPE(GetNextInputDeviceName)
VIDRUNE_EXPORT_TYPE(GetNextInputModeName)
VIDRUNE_EXPORT_TYPE(GetNumInputDevices)
VIDRUNE_EXPORT_TYPE(GetNumInputModes)
VIDRUNE_EXPORT_TYPE(InitializeDevice)
VIDRUNE_EXPORT_TYPE(OpenDevice)
VIDRUNE_EXPORT_TYPE(ReadDevice)
VIDRUNE_EXPORT_TYPE(SetCurrentInputDevice)

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
