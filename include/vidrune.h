/*
 * Vidrune: acquisition plug-in for the Stravik-2 frame grabber.
 * Public interface for host programs, usable from C and C++.
 */
#ifndef VIDRUNE_H
#define VIDRUNE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#if defined(VIDRUNE_BUILDING)
#define VIDRUNE_API __declspec(dllexport)
#else
#define VIDRUNE_API __declspec(dllimport)
#endif
#else
#define VIDRUNE_API __attribute__((visibility("default")))
#endif

#if defined(__cplusplus)
#define VIDRUNE_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define VIDRUNE_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

VIDRUNE_STATIC_ASSERT(sizeof(void*) == 8, "Vidrune supports 64-bit hosts only");

/* Acquisition kinds of AcquireRequest.kind. */
#define VIDRUNE_ACQUIRE_NORMAL 1u
#define VIDRUNE_ACQUIRE_CONTINUOUS 2u

/* Read kinds of ReadRequest.kind. */
#define VIDRUNE_READ_CURRENT 2u
#define VIDRUNE_READ_BY_INDEX 3u
#define VIDRUNE_READ_LATEST 4u

/* The record passed to AcquireStart. */
typedef struct AcquireRequest {
    uint32_t kind;       /* 1 normal (counted), 2 continuous */
    uint32_t reserved0;
    int32_t frameCount;  /* normal: frames to grab, at least 1 */
    uint32_t waitFlag;   /* normal: non-zero returns only when all frames are in */
} AcquireRequest;

/* The 80-byte record passed to ReadDevice. */
typedef struct ReadRequest {
    uint32_t kind;          /* 2 frame being filled, 3 by index, 4 newest */
    uint32_t liveDisplay;   /* 1 when the live display asks */
    int32_t index;          /* kind 3: frame index within the acquisition */
    int32_t timeoutMs;      /* kinds 2 and 3; 0 means 1000 */
    uint32_t x;             /* region in frame pixels */
    uint32_t y;
    uint32_t width;
    uint32_t height;
    uint32_t currentScale;  /* live display, kind 4: 0 uses the scales of the open */
    uint8_t reserved1[20];
    uint32_t copyFlag;      /* 1 converts into data; otherwise data receives the buffer */
    uint32_t reserved2;
    void* data;
    uint8_t reserved3[8];
} ReadRequest;

/* The 80-byte overlay command passed through the attribute "GRAPHICS COMMAND". */
typedef struct GraphicsCommand {
    uint32_t type;          /* 1 point, 2 line, 4 rectangle, 5 ellipse, 7 bitmap,
                               9 filled rectangle, 10 display mode */
    int32_t a;
    int32_t b;
    int32_t c;
    int32_t d;
    int32_t reserved0;
    int32_t bitmapLeft;
    int32_t bitmapTop;
    uint8_t reserved1[8];
    uint32_t colour;        /* the low byte is the overlay value */
    int32_t scaleFactor;    /* bitmaps: 0 on entry receives the factor used */
    int32_t displayMode;    /* type 10 */
    uint8_t reserved2[20];
    const uint8_t* pixels;  /* bitmaps: width x height bytes, rows top to bottom */
} GraphicsCommand;

VIDRUNE_STATIC_ASSERT(sizeof(AcquireRequest) == 16, "AcquireRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(AcquireRequest, frameCount) == 8, "AcquireRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(AcquireRequest, waitFlag) == 12, "AcquireRequest layout");
VIDRUNE_STATIC_ASSERT(sizeof(ReadRequest) == 80, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, liveDisplay) == 4, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, index) == 8, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, timeoutMs) == 12, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, x) == 16, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, height) == 28, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, currentScale) == 32, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, copyFlag) == 56, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(offsetof(ReadRequest, data) == 64, "ReadRequest layout");
VIDRUNE_STATIC_ASSERT(sizeof(GraphicsCommand) == 80, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, d) == 16, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, bitmapLeft) == 24, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, bitmapTop) == 28, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, colour) == 40, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, scaleFactor) == 44, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, displayMode) == 48, "GraphicsCommand layout");
VIDRUNE_STATIC_ASSERT(offsetof(GraphicsCommand, pixels) == 72, "GraphicsCommand layout");

/*
 * The device object that GetDeviceHandle returns. It begins with a pointer to its table
 * of operations, in slot order: the five framework slots, then the device's operations.
 * Every operation takes the device itself first. The layout is fixed by this header and
 * does not depend on the compiler that built the library.
 */
typedef struct VidruneDevice VidruneDevice;

typedef struct VidruneDeviceOps {
    /* Framework slots. The device belongs to the library: the destructor slot does
       nothing, and serialise, assertion and dump have no effect. */
    const void* (*GetRuntimeClass)(VidruneDevice* self);
    void* (*Destructor)(VidruneDevice* self, uint32_t flags);
    void (*Serialize)(VidruneDevice* self, void* archive);
    void (*AssertValid)(VidruneDevice* self);
    void (*Dump)(VidruneDevice* self, void* context);

    int32_t (*InitializeDevice)(VidruneDevice* self, const char* path);
    uint32_t (*OpenDevice)(VidruneDevice* self);
    uint32_t (*CloseDevice)(VidruneDevice* self);
    int32_t (*FreeDeviceResources)(VidruneDevice* self);
    int32_t (*IsValid)(VidruneDevice* self);
    uint32_t (*GetLastError)(VidruneDevice* self);
    void (*SetLastError)(VidruneDevice* self, uint32_t code);
    uint32_t (*SetInitFlag)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetInitFlag)(VidruneDevice* self);
    uint32_t (*SetOpenFlag)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetOpenFlag)(VidruneDevice* self);
    uint32_t (*SetStatusWord)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetStatusWord)(VidruneDevice* self);
    uint32_t (*SetReadyFlag)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetReadyFlag)(VidruneDevice* self);
    int32_t (*LoadInputDevices)(VidruneDevice* self, const char* path);
    int32_t (*AcquireStart)(VidruneDevice* self, const AcquireRequest* request);
    int32_t (*AcquireStop)(VidruneDevice* self);
    int32_t (*ReadDevice)(VidruneDevice* self, ReadRequest* request);
    uint32_t (*GetAcqDeviceType)(VidruneDevice* self);
    int32_t (*SetCurrentInputMode)(VidruneDevice* self, uint32_t modeId);
    int32_t (*SetCurrentInputDevice)(VidruneDevice* self, uint32_t id);
    int32_t (*AcqDeviceQuery)(VidruneDevice* self, const char* name, void* value,
                              int32_t translate);
    int32_t (*AcqDeviceSet)(VidruneDevice* self, const char* name, void* value,
                            int32_t translate);
    int32_t (*AcqInputDeviceQuery)(VidruneDevice* self, const char* name, void* value,
                                   int32_t translate);
    int32_t (*AcqInputDeviceQueryById)(VidruneDevice* self, uint32_t inputDeviceId,
                                       const char* name, void* value, int32_t translate);
    int32_t (*AcqInputDeviceSet)(VidruneDevice* self, const char* name, void* value,
                                 int32_t translate);
    int32_t (*AcqInputDeviceSetById)(VidruneDevice* self, uint32_t inputDeviceId,
                                     const char* name, void* value, int32_t translate);
    int32_t (*AcqInputModeQuery)(VidruneDevice* self, const char* name, void* value,
                                 int32_t translate);
    int32_t (*AcqInputModeQueryById)(VidruneDevice* self, uint32_t inputDeviceId,
                                     uint32_t modeId, const char* name, void* value,
                                     int32_t translate);
    int32_t (*AcqInputModeSet)(VidruneDevice* self, const char* name, void* value,
                               int32_t translate);
    int32_t (*AcqInputModeSetById)(VidruneDevice* self, uint32_t inputDeviceId,
                                   uint32_t modeId, const char* name, void* value,
                                   int32_t translate);
    /* translated receives up to 111 characters and the terminating NUL. */
    int32_t (*TranslateAttributeName)(VidruneDevice* self, uint32_t inputDeviceId,
                                      const char* name, char* translated, int32_t translate);
} VidruneDeviceOps;

struct VidruneDevice {
    const VidruneDeviceOps* ops;
};

VIDRUNE_STATIC_ASSERT(offsetof(VidruneDeviceOps, InitializeDevice) == 5 * sizeof(void*),
                      "framework slots come first");
VIDRUNE_STATIC_ASSERT(sizeof(VidruneDeviceOps) == 38 * sizeof(void*), "38 slots");

/* The exports. Attribute values travel through value: a numeric query receives a
   double, a text query the address of the stored text; a numeric set passes the address
   of a double, a text set the text itself. */
VIDRUNE_API int32_t AcqDeviceQuery(const char* name, void* value);
VIDRUNE_API int32_t AcqDeviceSet(const char* name, void* value);
VIDRUNE_API uint32_t AcqGetLastError(void);
VIDRUNE_API int32_t AcqInputDeviceQuery(const char* name, void* value);
VIDRUNE_API int32_t AcqInputDeviceSet(const char* name, void* value);
VIDRUNE_API int32_t AcqInputModeQuery(const char* name, void* value);
VIDRUNE_API int32_t AcqInputModeSet(const char* name, void* value);
VIDRUNE_API int32_t AcquireStart(const AcquireRequest* request);
VIDRUNE_API int32_t AcquireStop(void);
VIDRUNE_API int32_t CloseDevice(void);
VIDRUNE_API int32_t FreeDeviceResources(void);
VIDRUNE_API uint32_t GetAcqDeviceId(void);
VIDRUNE_API uint32_t GetAcqDeviceType(void);
VIDRUNE_API uint32_t GetCurrentInputDevice(void);
VIDRUNE_API uint32_t GetCurrentInputMode(void);
VIDRUNE_API VidruneDevice* GetDeviceHandle(void);
VIDRUNE_API const char* GetFirstInputDeviceName(void);
VIDRUNE_API const char* GetFirstInputModeName(void);
VIDRUNE_API uint32_t GetInputDeviceId(const char* name);
VIDRUNE_API uint32_t GetInputDeviceType(void);
VIDRUNE_API uint32_t GetInputModeId(const char* name);
VIDRUNE_API const char* GetNextInputDeviceName(void);
VIDRUNE_API const char* GetNextInputModeName(void);
VIDRUNE_API uint32_t GetNumInputDevices(void);
VIDRUNE_API uint32_t GetNumInputModes(void);
VIDRUNE_API int32_t InitializeDevice(const char* path);
VIDRUNE_API int32_t OpenDevice(void);
VIDRUNE_API int32_t ReadDevice(ReadRequest* request);
VIDRUNE_API int32_t SetCurrentInputDevice(uint32_t id);

#ifdef __cplusplus
}
#endif

#endif /* VIDRUNE_H */
