/*
 * FgCore: the frame-grabber library interface the board driver calls. This build
 * provides it as a simulated Stravik-2 board in process (libfgcore.so, fgcore.dll).
 * Every operation but FgManGetLocalServer returns a status, 0 for success.
 */
#ifndef FGCORE_H
#define FGCORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#if defined(FGCORE_BUILDING)
#define FG_API __declspec(dllexport)
#else
#define FG_API __declspec(dllimport)
#endif
#else
#define FG_API __attribute__((visibility("default")))
#endif

typedef uint64_t FgHandle; /* opaque; 0 is never a live object */
typedef uint32_t FgStatus; /* 0 success */

/* Statuses of the simulated board. */
#define FG_OK 0u
#define FG_ERR_INVALID_HANDLE 0x80000001u
#define FG_ERR_NOT_FOUND 0x80000002u
#define FG_ERR_FILE 0x80000003u
#define FG_ERR_NO_MEMORY 0x80000004u
#define FG_ERR_BUSY 0x80000005u
#define FG_ERR_PARAMETER 0x80000006u
#define FG_ERR_INJECTED 0x80000007u

/* Object kinds of FgIsLiveHandle. */
typedef enum FgObjectKind {
    FG_KIND_SERVER = 1,
    FG_KIND_ACQUISITION = 2,
    FG_KIND_CAMERA = 3,
    FG_KIND_VIC = 4,
    FG_KIND_BUFFER = 5,
    FG_KIND_TRANSFER = 6
} FgObjectKind;

/* Buffer types of FgBufferNew. */
#define FG_BUFFER_RING 1u
#define FG_BUFFER_DISCARD 0x40u

/* Parameter identifiers. */
#define FG_BUFFER_PRM_ADDRESS 0x80008u    /* 64-bit pixel address */
#define FG_BUFFER_PRM_TIMESTAMP 0x120004u /* 32-bit microseconds of the board clock */
#define FG_CAM_PRM_PIXEL_DEPTH 0x60004u
#define FG_CAM_PRM_START_FIELD 0x90004u
#define FG_VIC_PRM_CROP_LEFT 0x8110004u
#define FG_VIC_PRM_CROP_TOP 0x8120004u
#define FG_VIC_PRM_CROP_WIDTH 0x8130004u
#define FG_VIC_PRM_CROP_HEIGHT 0x8140004u
#define FG_VIC_PRM_MAX_WIDTH 0x8150004u
#define FG_VIC_PRM_MAX_HEIGHT 0x8160004u
#define FG_VIC_PRM_FIELD_MODE 0x80D0004u
#define FG_VIC_PRM_PIXEL_FORMAT 0x8280004u /* bits per pixel in bits 8 to 15 */
#define FG_ACQ_PRM_BOARD_KIND 0x20004u     /* reads 1 */
#define FG_ACQ_PRM_STATUS 0x7080004u       /* bit 0x10: camera signal ready */
#define FG_ACQ_PRM_FRAME_COUNT 0x84C0004u
#define FG_ACQ_PRM_TRIGGER_MODE 0x82C0004u /* 8: triggered */
#define FG_ACQ_PRM_FIELD_CAP 0x82E0004u
#define FG_ACQ_PRM_TRIGGER_LEVEL 0x82F0004u
#define FG_ACQ_PRM_TRIGGER_DELAY 0x8590004u
#define FG_ACQ_PRM_TRIGGER_SOURCE 0x8620004u
#define FG_ACQ_PRM_TIMING_A 0x530004u
#define FG_ACQ_PRM_TIMING_B 0x540004u
#define FG_XFER_PRM_C 0xC0004u
#define FG_XFER_PRM_D 0xD0004u
#define FG_ACQ_STATUS_READY 0x10u
#define FG_EVENT_END_OF_TRANSFER 0x800000u
#define FG_XFER_ENDLESS 0xFFFFFFFFu

/* Called on a library thread after each frame that lands in a buffer with a
   registered callback. The return value is ignored; 0 by convention. */
typedef FgStatus (*FgCallbackProc)(void* context, uint32_t eventType, FgHandle buffer);

FG_API FgHandle FgManGetLocalServer(void);
FG_API FgStatus FgManGetServerByName(const char* name, FgHandle* server);
FG_API FgStatus FgManReleaseServer(FgHandle server);
FG_API FgStatus FgManSetTimeout(uint32_t milliseconds);

FG_API FgStatus FgAcqGetHandle(FgHandle server, uint32_t index, FgHandle* acquisition);
FG_API FgStatus FgAcqRelease(FgHandle acquisition);
FG_API FgStatus FgAcqGetPrms(FgHandle acquisition, FgHandle vic, FgHandle camera, uint32_t flags);
FG_API FgStatus FgAcqSetPrms(FgHandle acquisition, FgHandle vic, FgHandle camera, uint32_t flags);
FG_API FgStatus FgAcqGetPrm(FgHandle acquisition, uint32_t parameter, uint32_t* value);
FG_API FgStatus FgAcqSetPrm(FgHandle acquisition, uint32_t parameter, uint32_t value);
FG_API FgStatus FgAcqGetCap(FgHandle acquisition, uint32_t capability, uint32_t* value);

FG_API FgStatus FgCamNew(FgHandle localServer, FgHandle* camera);
FG_API FgStatus FgCamLoad(FgHandle camera, const char* path);
FG_API FgStatus FgCamGetPrm(FgHandle camera, uint32_t parameter, uint32_t* value);
FG_API FgStatus FgCamSetPrm(FgHandle camera, uint32_t parameter, uint32_t value);
FG_API FgStatus FgCamFree(FgHandle camera);

FG_API FgStatus FgVicNew(FgHandle localServer, FgHandle* vic);
FG_API FgStatus FgVicLoad(FgHandle vic, const char* path);
FG_API FgStatus FgVicGetPrm(FgHandle vic, uint32_t parameter, uint32_t* value);
FG_API FgStatus FgVicSetPrm(FgHandle vic, uint32_t parameter, uint32_t value);
FG_API FgStatus FgVicFree(FgHandle vic);

FG_API FgStatus FgBufferNew(FgHandle localServer, uint32_t width, uint32_t height, uint32_t format,
                            uint32_t type, FgHandle* buffer);
/* value: uint64_t* for FG_BUFFER_PRM_ADDRESS, uint32_t* for FG_BUFFER_PRM_TIMESTAMP. */
FG_API FgStatus FgBufferGetPrm(FgHandle buffer, uint32_t parameter, void* value);
FG_API FgStatus FgBufferFree(FgHandle buffer);

FG_API FgStatus FgXferNew(FgHandle server, FgHandle acquisition, FgHandle firstBuffer,
                          const void* descriptor, FgHandle* transfer);
FG_API FgStatus FgXferAppend(FgHandle transfer, FgHandle acquisition, FgHandle buffer,
                             uint32_t flags);
FG_API FgStatus FgXferSelect(FgHandle transfer, FgHandle acquisition, FgHandle buffer,
                             uint32_t flags);
FG_API FgStatus FgXferRegisterCallback(FgHandle transfer, uint32_t eventType,
                                       FgCallbackProc procedure, void* context);
FG_API FgStatus FgXferConnect(FgHandle transfer);
FG_API FgStatus FgXferSetPrm(FgHandle transfer, uint32_t parameter, uint32_t value);
/* count frames through the list from the selected entry, or FG_XFER_ENDLESS. */
FG_API FgStatus FgXferStart(FgHandle transfer, uint32_t count);
/* Returns only when no callback runs or will run. */
FG_API FgStatus FgXferAbort(FgHandle transfer);
FG_API FgStatus FgXferDisconnect(FgHandle transfer);
FG_API FgStatus FgXferFree(FgHandle transfer);

/* The library's own validity check: 1 when handle is a live object of that kind. */
FG_API int32_t FgIsLiveHandle(FgHandle handle, FgObjectKind kind);

#ifdef __cplusplus
}
#endif

#endif /* FGCORE_H */
