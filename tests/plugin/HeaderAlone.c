/* Compiled alone as C89, C11, C++11 and C++20: the public header needs nothing else, its
   constants are usable where a host uses them, and each function-pointer type is the
   type of its export (a mismatch is an error with -Werror in C and always in C++). */
#include "vidrune.h"

struct VidruneExportTypes {
    VidruneAcqDeviceQueryFn acqDeviceQuery;
    VidruneAcqDeviceSetFn acqDeviceSet;
    VidruneAcqGetLastErrorFn acqGetLastError;
    VidruneAcqInputDeviceQueryFn acqInputDeviceQuery;
    VidruneAcqInputDeviceSetFn acqInputDeviceSet;
    VidruneAcqInputModeQueryFn acqInputModeQuery;
    VidruneAcqInputModeSetFn acqInputModeSet;
    VidruneAcquireStartFn acquireStart;
    VidruneAcquireStopFn acquireStop;
    VidruneCloseDeviceFn closeDevice;
    VidruneFreeDeviceResourcesFn freeDeviceResources;
    VidruneGetAcqDeviceIdFn getAcqDeviceId;
    VidruneGetAcqDeviceTypeFn getAcqDeviceType;
    VidruneGetCurrentInputDeviceFn getCurrentInputDevice;
    VidruneGetCurrentInputModeFn getCurrentInputMode;
    VidruneGetDeviceHandleFn getDeviceHandle;
    VidruneGetFirstInputDeviceNameFn getFirstInputDeviceName;
    VidruneGetFirstInputModeNameFn getFirstInputModeName;
    VidruneGetInputDeviceIdFn getInputDeviceId;
    VidruneGetInputDeviceTypeFn getInputDeviceType;
    VidruneGetInputModeIdFn getInputModeId;
    VidruneGetNextInputDeviceNameFn getNextInputDeviceName;
    VidruneGetNextInputModeNameFn getNextInputModeName;
    VidruneGetNumInputDevicesFn getNumInputDevices;
    VidruneGetNumInputModesFn getNumInputModes;
    VidruneInitializeDeviceFn initializeDevice;
    VidruneOpenDeviceFn openDevice;
    VidruneReadDeviceFn readDevice;
    VidruneSetCurrentInputDeviceFn setCurrentInputDevice;
};

extern const struct VidruneExportTypes vidruneExportTypes;
const struct VidruneExportTypes vidruneExportTypes = {&AcqDeviceQuery,
                                                      &AcqDeviceSet,
                                                      &AcqGetLastError,
                                                      &AcqInputDeviceQuery,
                                                      &AcqInputDeviceSet,
                                                      &AcqInputModeQuery,
                                                      &AcqInputModeSet,
                                                      &AcquireStart,
                                                      &AcquireStop,
                                                      &CloseDevice,
                                                      &FreeDeviceResources,
                                                      &GetAcqDeviceId,
                                                      &GetAcqDeviceType,
                                                      &GetCurrentInputDevice,
                                                      &GetCurrentInputMode,
                                                      &GetDeviceHandle,
                                                      &GetFirstInputDeviceName,
                                                      &GetFirstInputModeName,
                                                      &GetInputDeviceId,
                                                      &GetInputDeviceType,
                                                      &GetInputModeId,
                                                      &GetNextInputDeviceName,
                                                      &GetNextInputModeName,
                                                      &GetNumInputDevices,
                                                      &GetNumInputModes,
                                                      &InitializeDevice,
                                                      &OpenDevice,
                                                      &ReadDevice,
                                                      &SetCurrentInputDevice};

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
