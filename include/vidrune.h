/*
 * Vidrune: acquisition plug-in for the Stravik-2 frame grabber.
 * Public interface for host programs, usable from C (C89 and later) and C++.
 *
 * docs/host-guide.md walks through a host's calling order, the attributes and the error
 * codes; examples/host/grab_host.c is a complete host.
 *
 * Conventions of every call below:
 * - "1/0" calls return 1 for success and 0 for failure. Board operations (initialise,
 *   acquire, read, device attribute sets) put the reason into the last error, which
 *   AcqGetLastError returns. Enumeration, lookups, attribute queries, camera and mode
 *   attribute sets, and choosing a camera or mode that does not exist fail with 0 (or
 *   null) and leave the last error untouched.
 * - The last error is one code per device, shared by all threads. It keeps its value
 *   until an operation that clears it (each says so) or sets another code. A call's
 *   result is its own, whatever another thread's call sets meanwhile.
 * - Any call may come from any thread. Those that change the device's state (initialise,
 *   open, close, free, acquire start and stop, device sets, choosing a camera or mode)
 *   run one at a time; reads, queries and enumerations may run alongside them.
 * - Strings returned by the plug-in belong to it: never free or change them.
 * - A null pointer argument is refused (0, or null) without touching anything.
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

/* Layout checks at compile time; C89 and C99 get the negative-array form. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define VIDRUNE_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VIDRUNE_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
#define VIDRUNE_ASSERT_JOIN2(a, b) a##b
#define VIDRUNE_ASSERT_JOIN(a, b) VIDRUNE_ASSERT_JOIN2(a, b)
#define VIDRUNE_STATIC_ASSERT(cond, msg)                                                           \
    typedef char VIDRUNE_ASSERT_JOIN(vidrune_static_assert_, __LINE__)[(cond) ? 1 : -1]
#endif

VIDRUNE_STATIC_ASSERT(sizeof(void*) == 8, "Vidrune supports 64-bit hosts only");

/* ---------------------------------------------------------------------------------------
 * Version. The plug-in a host loaded reports its own in the device attribute "VERSION"
 * (text, "MAJOR.MINOR.PATCH"); compare it with VIDRUNE_VERSION_STRING to learn whether
 * the header and the library match.
 */
#define VIDRUNE_VERSION_MAJOR 0
#define VIDRUNE_VERSION_MINOR 1
#define VIDRUNE_VERSION_PATCH 0
#define VIDRUNE_VERSION_STRING "0.1.0"
/* One comparable number: 10000 * major + 100 * minor + patch. */
#define VIDRUNE_VERSION                                                                            \
    (VIDRUNE_VERSION_MAJOR * 10000 + VIDRUNE_VERSION_MINOR * 100 + VIDRUNE_VERSION_PATCH)

/* ---------------------------------------------------------------------------------------
 * Error codes of AcqGetLastError. A code comes with a failed call (result 0). Reads by
 * index that end with 18 or 21 have delivered the pixels all the same; one that ends
 * with 17 may have copied a frame the board was refilling (discard those pixels).
 */
#define VIDRUNE_ERROR_NONE 0u
/* OpenDevice while open; camera or VIC file not loadable or refused by the board; the
   camera's serial port cannot be opened; choosing a camera or mode while open. */
#define VIDRUNE_ERROR_OPEN 1u
/* The previous acquisition did not end in time (2000 ms before a start, 3000 ms before an
   attribute set, 1000 ms for the continuous acquisition to stop). */
#define VIDRUNE_ERROR_BUSY 5u
/* The operation needs an open device (board attribute sets). */
#define VIDRUNE_ERROR_NOT_OPEN 6u
/* Not initialised or not ready: no board, no folder of camera files or no thread for the
   device at initialisation; acquire or read while the device is not open; OpenDevice or
   CloseDevice before InitializeDevice. */
#define VIDRUNE_ERROR_NOT_READY 7u
/* A frame buffer or its event cannot be created (OpenDevice). */
#define VIDRUNE_ERROR_BUFFER 8u
/* Out of memory: configuration, mode or buffer ring could not be built, or no thread for a
   continuous acquisition. */
#define VIDRUNE_ERROR_NO_MEMORY 9u
/* OpenDevice: the current camera has no current mode. */
#define VIDRUNE_ERROR_NO_MODE 10u
/* OpenDevice: no camera is current. */
#define VIDRUNE_ERROR_NO_CAMERA 11u
/* Value or request out of range: an unknown or read-only attribute, a value the board does
   not take, a region outside the frame or empty, a null destination, a frame index the
   acquisition does not have, a negative time-out, a frame count the ring cannot hold. */
#define VIDRUNE_ERROR_RANGE 12u
/* The board's events cannot be created (InitializeDevice). */
#define VIDRUNE_ERROR_EVENTS 15u
/* Timed out: the acquisition, a frame wait, no camera signal at a start (or a transfer the
   board library did not start), or no frame yet for a newest-frame read. */
#define VIDRUNE_ERROR_TIMEOUT 16u
/* The frame is gone: overwritten or refilled before it was read, already read by index,
   or its buffers were rebuilt. */
#define VIDRUNE_ERROR_FRAME_GONE 17u
/* The frame looks blank (two bytes in the region's middle are 0); pixels delivered. */
#define VIDRUNE_ERROR_BLANK 18u
/* The acquisition was stopped before all its frames were in. */
#define VIDRUNE_ERROR_STOPPED 19u
/* During this counted acquisition two kept frames came more than 1.5 kept-frame
   intervals apart: frames were lost. Pixels delivered. */
#define VIDRUNE_ERROR_GAP 21u
/* OpenDevice before InitializeDevice, or after FreeDeviceResources. */
#define VIDRUNE_ERROR_NOT_INITIALIZED 22u
/* No usable camera in the configuration file, or the mode's camera file is missing. */
#define VIDRUNE_ERROR_CONFIGURATION 23u
/* Unknown acquisition kind or read kind. */
#define VIDRUNE_ERROR_UNKNOWN_KIND 26u

/* ---------------------------------------------------------------------------------------
 * Attribute names. Each is numeric (a double) or text; the host must know which (no call
 * reports it). docs/host-guide.md lists when each exists and what changes it.
 *
 * Device attributes (AcqDeviceQuery, AcqDeviceSet). Numeric unless marked text.
 * Present from the library's load: */
#define VIDRUNE_ATTR_NAME "NAME"       /* text; also of every camera and mode */
#define VIDRUNE_ATTR_VERSION "VERSION" /* text, read-only: the library's version */
/* Present from InitializeDevice: */
#define VIDRUNE_ATTR_GRAB_DATA_BUFFERS "GRAB DATA BUFFERS" /* frame buffers in the ring */
#define VIDRUNE_ATTR_CONFIG_FILE_PATH "CONFIG FILE PATH"   /* text: folder of camera files */
/* Present from InitializeDevice when the configuration shows the live display: */
#define VIDRUNE_ATTR_DISPLAY_TYPE "DISPLAY TYPE"
#define VIDRUNE_ATTR_DISPLAY_NAME "DISPLAY NAME" /* text */
#define VIDRUNE_ATTR_MAX_DISPLAY_WIDTH "MAX DISPLAY WIDTH"
#define VIDRUNE_ATTR_MAX_DISPLAY_HEIGHT "MAX DISPLAY HEIGHT"
/* Present while the device is open: */
#define VIDRUNE_ATTR_MAX_WIDTH "MAX WIDTH"   /* sensor size, pixels */
#define VIDRUNE_ATTR_MAX_HEIGHT "MAX HEIGHT" /* sensor size, pixels */
#define VIDRUNE_ATTR_MAX_USER_WIDTH "MAX USER WIDTH"
#define VIDRUNE_ATTR_MAX_USER_HEIGHT "MAX USER HEIGHT"
#define VIDRUNE_ATTR_WIDTH "WIDTH"   /* window on the sensor before sub-sampling; settable */
#define VIDRUNE_ATTR_HEIGHT "HEIGHT" /* settable */
#define VIDRUNE_ATTR_DATA_SCALE "DATA SCALE"     /* sets both scales: 1, 2 or 4 */
#define VIDRUNE_ATTR_X_DATA_SCALE "X DATA SCALE" /* 1, 2 or 4 */
#define VIDRUNE_ATTR_Y_DATA_SCALE "Y DATA SCALE" /* 1, 2 or 4 */
#define VIDRUNE_ATTR_DATA_SKIP "DATA SKIP"       /* keep one camera frame in this many; settable */
#define VIDRUNE_ATTR_DATA_SIZE "DATA SIZE"       /* bytes per pixel, 1 or 2 */
#define VIDRUNE_ATTR_DATA_RESOLUTION "DATA RESOLUTION" /* bits per pixel, 8 to 16 */
#define VIDRUNE_ATTR_DATA_SET_SIZE "DATA SET SIZE"     /* not the frame's byte count */
#define VIDRUNE_ATTR_DATA_INTERLACE "DATA INTERLACE"
#define VIDRUNE_ATTR_TRIGGER_MODE "TRIGGER MODE"   /* 1 free running, 2 triggered */
#define VIDRUNE_ATTR_TRIGGER_LEVEL "TRIGGER LEVEL" /* 1 or 2 */
#define VIDRUNE_ATTR_TRIGGER_SOURCE "TRIGGER SOURCE"
#define VIDRUNE_ATTR_START_GRAB_FIELD "START GRAB FIELD"
#define VIDRUNE_ATTR_DISPLAY_MODE "DISPLAY MODE" /* 1 to 4; set through GRAPHICS COMMAND */
#define VIDRUNE_ATTR_ROTATEDATA "ROTATEDATA"     /* also of cameras */
#define VIDRUNE_ATTR_FLIPDATA "FLIPDATA"         /* also of cameras */
/* Set-only while open; nothing is stored under these names: */
#define VIDRUNE_ATTR_GRAPHICS_COMMAND "GRAPHICS COMMAND"     /* value: a GraphicsCommand* */
#define VIDRUNE_ATTR_SAVE_DISPLAY_IMAGE "SAVE DISPLAY IMAGE" /* value: a file path (text) */
#define VIDRUNE_ATTR_SAVE_DISPLAY_IMAGE_WITH_OVERLAY "SAVE DISPLAY IMAGE WITH OVERLAY"
#define VIDRUNE_ATTR_MAN_SHUTTER "MAN SHUTTER"

/* Camera attributes (AcqInputDeviceQuery, AcqInputDeviceSet), from the configuration. */
#define VIDRUNE_ATTR_PIXEL_SIZE "PIXEL SIZE"
#define VIDRUNE_ATTR_INVERTXY "INVERTXY"
#define VIDRUNE_ATTR_COM_PORT "COM PORT" /* text; present only with a serial line */
#define VIDRUNE_ATTR_COM_BAUD "COM BAUD"
#define VIDRUNE_ATTR_COM_FLOW "COM FLOW"
#define VIDRUNE_ATTR_COM_DELAY "COM DELAY" /* milliseconds */
/* Set-only camera commands: send the current mode's "NORM INIT" or "CONT INIT" text. */
#define VIDRUNE_ATTR_NORM_MODE "NORM MODE"
#define VIDRUNE_ATTR_CONT_MODE "CONT MODE"

/* Mode attributes (AcqInputModeQuery, AcqInputModeSet), from the configuration; the open
   reads them, so a change before OpenDevice shapes the next open. */
#define VIDRUNE_ATTR_DESCRIPTION "DESCRIPTION"   /* text */
#define VIDRUNE_ATTR_CONTROL_FILE "CONTROL FILE" /* text: the camera file */
#define VIDRUNE_ATTR_DATA_RATE "DATA RATE"       /* frames per second */
#define VIDRUNE_ATTR_HORZ_PERIOD "HORZ. PERIOD"
#define VIDRUNE_ATTR_VERT_PERIOD "VERT. PERIOD"
#define VIDRUNE_ATTR_PIXEL_CLOCK "PIXEL CLOCK"
#define VIDRUNE_ATTR_PITCH_MULT "PITCH MULT"
#define VIDRUNE_ATTR_MAN_SHUTTER_US "MAN SHUTTER US" /* microseconds */
#define VIDRUNE_ATTR_MAN_SHUTTER_RAW "MAN SHUTTER RAW"
#define VIDRUNE_ATTR_COM_INIT "COM INIT"   /* text, optional */
#define VIDRUNE_ATTR_NORM_INIT "NORM INIT" /* text, optional */
#define VIDRUNE_ATTR_CONT_INIT "CONT INIT" /* text, optional */

/* Input device and mode type (GetInputDeviceType): every camera is of type 1. */
#define VIDRUNE_INPUT_CAMERA 1u
/* GetAcqDeviceType: the Stravik-2 board device. */
#define VIDRUNE_DEVICE_BOARD 1u

/* ---------------------------------------------------------------------------------------
 * Acquisition kinds of AcquireRequest.kind. */
#define VIDRUNE_ACQUIRE_NORMAL 1u     /* a counted number of frames */
#define VIDRUNE_ACQUIRE_CONTINUOUS 2u /* the ring fills until AcquireStop */

/* Read kinds of ReadRequest.kind. */
#define VIDRUNE_READ_CURRENT 2u  /* the ring slot the board fills next; waits for its event */
#define VIDRUNE_READ_BY_INDEX 3u /* frame `index` of the counted acquisition; waits */
#define VIDRUNE_READ_LATEST 4u   /* the newest frame in the ring; never waits */

/* ReadRequest.copyFlag. */
#define VIDRUNE_READ_POINTER 0u /* data receives the board buffer's address */
#define VIDRUNE_READ_COPY 1u    /* the region is copied into data */

/* GraphicsCommand.type. */
#define VIDRUNE_GRAPHIC_POINT 1u
#define VIDRUNE_GRAPHIC_LINE 2u
#define VIDRUNE_GRAPHIC_RECTANGLE 4u
#define VIDRUNE_GRAPHIC_ELLIPSE 5u
#define VIDRUNE_GRAPHIC_BITMAP 7u
#define VIDRUNE_GRAPHIC_FILLED_RECTANGLE 9u
#define VIDRUNE_GRAPHIC_DISPLAY_MODE 10u

/* GraphicsCommand.displayMode and the "DISPLAY MODE" attribute: 1 to 4. The device sets 1
   at open and when a continuous acquisition stops, and 4 (continuous update) while one
   runs. */
#define VIDRUNE_DISPLAY_MODE_NORMAL 1
#define VIDRUNE_DISPLAY_MODE_CONTINUOUS 4

/* ---------------------------------------------------------------------------------------
 * The record passed to AcquireStart. Zero it, then fill the fields the kind needs. */
typedef struct AcquireRequest {
    uint32_t kind;      /* VIDRUNE_ACQUIRE_NORMAL or VIDRUNE_ACQUIRE_CONTINUOUS */
    uint32_t reserved0; /* not read; zero it */
    /* Normal: frames to grab, at least 1. Continuous: not read. */
    int32_t frameCount;
    /* Normal: non-zero makes AcquireStart return only once every frame is in (or the
       acquisition failed); frameCount may then not exceed "GRAB DATA BUFFERS". Zero
       returns once the board runs; frames are then read by index as they arrive, and
       frameCount may exceed the ring if the host reads fast enough. Continuous: not read. */
    uint32_t waitFlag;
} AcquireRequest;

/*
 * The 80-byte record passed to ReadDevice. Zero it, then fill:
 *   every kind:  kind, x, y, width, height, copyFlag, and data when copyFlag is 1;
 *   kind 3 also: index; kinds 2 and 3 also: timeoutMs.
 * Coordinates are frame pixels as the host sees the frame: after sub-sampling, and turned
 * or flipped as the camera's "ROTATEDATA"/"FLIPDATA" say. The frame is
 * ("WIDTH" / "X DATA SCALE") x ("HEIGHT" / "Y DATA SCALE") pixels; the region must lie
 * inside it and must not be empty (else error 12).
 */
typedef struct ReadRequest {
    uint32_t kind; /* VIDRUNE_READ_CURRENT, VIDRUNE_READ_BY_INDEX or VIDRUNE_READ_LATEST */
    /* 0 for hosts. 1 marks the plug-in's own live display: such reads leave the last
       error alone and report nothing a host could see. */
    uint32_t liveDisplay;
    int32_t index;     /* kind 3: frame of the counted acquisition, from 0 */
    int32_t timeoutMs; /* kinds 2 and 3: longest wait for the frame, ms; 0 means 1000;
                          negative is refused (12) for every kind */
    uint32_t x;        /* region's left column, frame pixels */
    uint32_t y;        /* region's top row */
    uint32_t width;    /* region's width, at least 1 */
    uint32_t height;   /* region's height, at least 1 */
    /* With liveDisplay 1 and kind 4 only: 0 reads at the scales the display was opened
       with. Hosts leave it 0 (not read for them). */
    uint32_t currentScale;
    uint8_t reserved1[20]; /* not read; zero it */
    /* VIDRUNE_READ_COPY (1): the region is copied into data as height rows of width
       pixels, packed (row r starts r * width pixels in), top row first, 1 byte per pixel
       or 2 bytes little-endian as "DATA SIZE" says; data must hold
       width * height * "DATA SIZE" bytes. Any other value: data receives the address of
       the board buffer that holds the frame (the whole "WIDTH" x "HEIGHT" window at full
       resolution, rows of "WIDTH" pixels; the region is checked but not applied); the
       pixels stay there until the board refills that buffer, the buffers are rebuilt or
       the device closes. Refused (12) for turned or flipped cameras. */
    uint32_t copyFlag;
    uint32_t reserved2;   /* not read; zero it */
    void* data;           /* see copyFlag */
    uint8_t reserved3[8]; /* not read; zero it */
} ReadRequest;

/*
 * The 80-byte overlay command: the value of an AcqDeviceSet of "GRAPHICS COMMAND" is the
 * address of one. Coordinates are pixels of the displayed frame (origin top left). Shapes
 * reaching outside the frame are ignored, and drawing sets no error code. Without a
 * display window the commands other than the display mode do nothing. Zero it, then fill.
 */
typedef struct GraphicsCommand {
    uint32_t type; /* VIDRUNE_GRAPHIC_...; other values do nothing */
    /* a: x of the point, line start, first corner, ellipse centre, filled-rectangle left;
          bitmap width.
       b: the matching y; bitmap height.
       c: x of the line end or second corner; ellipse semi-axis along x; filled-rectangle
          width; bitmap reference width (0: the bitmap's own).
       d: the matching y; semi-axis along y; filled-rectangle height; reference height. */
    int32_t a;
    int32_t b;
    int32_t c;
    int32_t d;
    int32_t reserved0;
    int32_t bitmapLeft; /* bitmaps: frame x of the first column */
    int32_t bitmapTop;  /* bitmaps: frame y of the first row */
    uint8_t reserved1[8];
    uint32_t colour; /* the low byte is the overlay value: 0 erases, 255 shows white */
    /* Bitmaps: 0 on entry receives the scale factor used (positive enlarges, negative
       reduces) to fit a bitmap made for a c x d reference image. */
    int32_t scaleFactor;
    int32_t displayMode; /* VIDRUNE_GRAPHIC_DISPLAY_MODE: the new mode, 1 to 4 */
    uint8_t reserved2[20];
    /* Bitmaps: a x b bytes, rows top to bottom; value 1 is transparent. Read during the
       call only. */
    const uint8_t* pixels;
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
 *
 * A host needs the table for what no export offers: SetCurrentInputMode and the
 * by-identifier attribute calls. The flag setters are the device's own bookkeeping: a
 * host that calls them gains nothing and may make later calls refuse with 7.
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

    /* The exports of the same name (below) call these slots. */
    int32_t (*InitializeDevice)(VidruneDevice* self, const char* path);
    uint32_t (*OpenDevice)(VidruneDevice* self);
    uint32_t (*CloseDevice)(VidruneDevice* self);
    int32_t (*FreeDeviceResources)(VidruneDevice* self);
    /* 1 from the start of the device's thread in InitializeDevice to FreeDeviceResources. */
    int32_t (*IsValid)(VidruneDevice* self);
    uint32_t (*GetLastError)(VidruneDevice* self); /* as AcqGetLastError */
    void (*SetLastError)(VidruneDevice* self, uint32_t code);
    /* State flags, each 0 or 1; the setters return the value stored. Initialised: set by
       a successful InitializeDevice. Open: the camera and VIC files are loaded. Ready:
       open and able to acquire. Status word: unused. */
    uint32_t (*SetInitFlag)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetInitFlag)(VidruneDevice* self);
    uint32_t (*SetOpenFlag)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetOpenFlag)(VidruneDevice* self);
    uint32_t (*SetStatusWord)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetStatusWord)(VidruneDevice* self);
    uint32_t (*SetReadyFlag)(VidruneDevice* self, uint32_t value);
    uint32_t (*GetReadyFlag)(VidruneDevice* self);
    /* Part of InitializeDevice: reads the cameras and modes of the configuration file
       into the device, appending to those it has. 1/0 (23: no usable camera). Hosts call
       InitializeDevice instead. */
    int32_t (*LoadInputDevices)(VidruneDevice* self, const char* path);
    int32_t (*AcquireStart)(VidruneDevice* self, const AcquireRequest* request);
    int32_t (*AcquireStop)(VidruneDevice* self);
    int32_t (*ReadDevice)(VidruneDevice* self, ReadRequest* request);
    uint32_t (*GetAcqDeviceType)(VidruneDevice* self);
    /*
     * Makes the mode with this identifier (GetInputModeId) current in the current
     * camera. 1 when it is current afterwards (also when it already was); 0 when there
     * is no current camera or the camera has no such mode (last error untouched), or
     * while the device is open (error 1). Each camera keeps its own current mode; the
     * first mode of a camera is current from InitializeDevice on.
     */
    int32_t (*SetCurrentInputMode)(VidruneDevice* self, uint32_t modeId);
    int32_t (*SetCurrentInputDevice)(VidruneDevice* self, uint32_t id);
    /*
     * The attribute calls behind the exports. translate 1 (what the exports pass) swaps
     * X and Y names ("WIDTH"/"HEIGHT", "X DATA SCALE"/"Y DATA SCALE", "MAX WIDTH"/
     * "MAX HEIGHT", "MAX USER WIDTH"/"MAX USER HEIGHT", "MAX DISPLAY WIDTH"/
     * "MAX DISPLAY HEIGHT") when the camera named by the call (the current one for the
     * calls without identifier) has "ROTATEDATA" above 0, so that the names describe the
     * frame as the host sees it; 0 uses the names as stored (the sensor's view).
     */
    int32_t (*AcqDeviceQuery)(VidruneDevice* self, const char* name, void* value,
                              int32_t translate);
    int32_t (*AcqDeviceSet)(VidruneDevice* self, const char* name, void* value, int32_t translate);
    int32_t (*AcqInputDeviceQuery)(VidruneDevice* self, const char* name, void* value,
                                   int32_t translate);
    /* Any camera by its identifier (GetInputDeviceId), current or not. 1/0. */
    int32_t (*AcqInputDeviceQueryById)(VidruneDevice* self, uint32_t inputDeviceId,
                                       const char* name, void* value, int32_t translate);
    int32_t (*AcqInputDeviceSet)(VidruneDevice* self, const char* name, void* value,
                                 int32_t translate);
    int32_t (*AcqInputDeviceSetById)(VidruneDevice* self, uint32_t inputDeviceId, const char* name,
                                     void* value, int32_t translate);
    int32_t (*AcqInputModeQuery)(VidruneDevice* self, const char* name, void* value,
                                 int32_t translate);
    /* Any mode of any camera by the two identifiers. 1/0. */
    int32_t (*AcqInputModeQueryById)(VidruneDevice* self, uint32_t inputDeviceId, uint32_t modeId,
                                     const char* name, void* value, int32_t translate);
    int32_t (*AcqInputModeSet)(VidruneDevice* self, const char* name, void* value,
                               int32_t translate);
    int32_t (*AcqInputModeSetById)(VidruneDevice* self, uint32_t inputDeviceId, uint32_t modeId,
                                   const char* name, void* value, int32_t translate);
    /* Writes the name as the calls above would use it into translated, which receives up
       to 111 characters and the terminating NUL (longer names are cut). 1 when the name
       was swapped, else 0. */
    int32_t (*TranslateAttributeName)(VidruneDevice* self, uint32_t inputDeviceId, const char* name,
                                      char* translated, int32_t translate);
} VidruneDeviceOps;

struct VidruneDevice {
    const VidruneDeviceOps* ops;
};

VIDRUNE_STATIC_ASSERT(offsetof(VidruneDeviceOps, InitializeDevice) == 5 * sizeof(void*),
                      "framework slots come first");
VIDRUNE_STATIC_ASSERT(sizeof(VidruneDeviceOps) == 38 * sizeof(void*), "38 slots");

/* ---------------------------------------------------------------------------------------
 * The 29 exports, in the order a host uses them.
 *
 * Attribute values travel through value. Numeric attribute: a query writes a double
 * through value (pass a double*), a set reads the double at value. Text attribute: a query
 * writes the address of the stored text through value (pass a const char**); the text
 * stays valid until the attribute changes, is removed (closing the device removes the
 * board's) or the library is unloaded. A text set passes the text itself as value.
 * Querying a text attribute as numeric (or the reverse) writes the wrong type: know each
 * attribute's type (the VIDRUNE_ATTR_... list above). A set of a text attribute reads
 * value up to its first zero byte whatever the host meant, so a double* given for one
 * is read past its 8 bytes unless a zero byte follows within them.
 */

/*
 * Reads the configuration file (path: an INI file) into cameras and modes, connects to
 * the board and starts the device's grab thread. Clears the last error. 1/0: 7 no board
 * or no folder of camera files, 23 no usable camera, 15 or 9 out of resources. No camera
 * is current afterwards; each camera's first mode is its current mode. A second call on
 * an initialised device stops any acquisition and returns 1 without reading the file
 * again; after FreeDeviceResources it starts afresh.
 */
VIDRUNE_API int32_t InitializeDevice(const char* path);

/* Number of cameras the configuration declared; 0 before InitializeDevice. */
VIDRUNE_API uint32_t GetNumInputDevices(void);
/*
 * Camera names in configuration order: First restarts, Next gives the following one,
 * null after the last. The position is kept in the device (one enumeration at a time,
 * not reentrant, not for two threads). The text lives as long as the camera: until
 * InitializeDevice reads a configuration again after FreeDeviceResources, or unload.
 */
VIDRUNE_API const char* GetFirstInputDeviceName(void);
VIDRUNE_API const char* GetNextInputDeviceName(void);
/* Identifier of the camera with exactly this name (case-sensitive), 0 if none. */
VIDRUNE_API uint32_t GetInputDeviceId(const char* name);
/*
 * Makes the camera with this identifier current. 1 when it is current afterwards; 0 for
 * an unknown identifier (last error untouched; the previous choice stays) or while the
 * device is open (error 1).
 */
VIDRUNE_API int32_t SetCurrentInputDevice(uint32_t id);
/* Identifier of the current camera, 0 if none. */
VIDRUNE_API uint32_t GetCurrentInputDevice(void);
/* Type of the current camera (VIDRUNE_INPUT_CAMERA), 0 if none is current. */
VIDRUNE_API uint32_t GetInputDeviceType(void);

/* Modes of the current camera only; 0 or null while no camera is current. Enumeration
   as for cameras (one position per camera, not reentrant). Choose one with the device
   table's SetCurrentInputMode. */
VIDRUNE_API uint32_t GetNumInputModes(void);
VIDRUNE_API const char* GetFirstInputModeName(void);
VIDRUNE_API const char* GetNextInputModeName(void);
/* Identifier of the current camera's mode with exactly this name, 0 if none. */
VIDRUNE_API uint32_t GetInputModeId(const char* name);
/* Identifier of the current camera's current mode, 0 if none. */
VIDRUNE_API uint32_t GetCurrentInputMode(void);

/*
 * Opens the current camera in its current mode: loads its camera and VIC files into the
 * board, reads the board's geometry into the device attributes and builds the frame
 * buffers. Clears the last error. Returns the error code, 0 for success: 10 no current
 * mode, 11 no current camera, 23 camera file missing, 1 files not loadable, refused by the
 * board or serial port not opened, 9 (or 8) buffers not built, 12 unusable geometry. A
 * failed open leaves the device initialised and closed.
 * Refusals before any work return their code as well: 22 not initialised (or freed),
 * 7 no grab thread, 1 already open.
 */
VIDRUNE_API int32_t OpenDevice(void);

/*
 * Device attribute query: 1 when the attribute exists and its value was written through
 * value, 0 otherwise (last error untouched). Any time after load; the board's attributes
 * exist only while the device is open.
 */
VIDRUNE_API int32_t AcqDeviceQuery(const char* name, void* value);
/*
 * Device attribute set, only while open (else 0, error 6). 1 when the value was taken
 * (also when it equals the stored one); 0 with 12 for an unknown or read-only name or a
 * value out of range, 5 when a counted acquisition did not end within 3000 ms or a
 * continuous one that "WIDTH", "HEIGHT" or "DATA SKIP" must stop did not (nothing
 * changes; the same set later tries the stop again). Does not clear the last error on
 * success. "WIDTH" and "HEIGHT" rebuild the frame buffers: frames grabbed before can no
 * longer be read. "WIDTH", "HEIGHT" and "DATA SKIP" restart a running continuous
 * acquisition; scale changes apply from the next read on. When the buffers or the
 * transfer cannot be rebuilt, the set fails with 9 and starts fail with 7 until one of
 * these sets succeeds, or the device reopens; settings the board refuses fail with 12 and
 * stay stored. After such a failure a set of the value in force carries it out anew.
 */
VIDRUNE_API int32_t AcqDeviceSet(const char* name, void* value);
/* Attribute query and set on the current camera and on its current mode: 1/0, 0 while
   none is current or the name is unknown; sets change only existing attributes (a mode's
   take effect at the next OpenDevice) and never touch the last error. "NORM MODE" and
   "CONT MODE" ignore the value, but it must not be null. */
VIDRUNE_API int32_t AcqInputDeviceQuery(const char* name, void* value);
VIDRUNE_API int32_t AcqInputDeviceSet(const char* name, void* value);
VIDRUNE_API int32_t AcqInputModeQuery(const char* name, void* value);
VIDRUNE_API int32_t AcqInputModeSet(const char* name, void* value);

/*
 * Starts an acquisition (see AcquireRequest); stops a running one first. Clears the last
 * error. 1/0: 7 not open, 12 frame count out of range, 26 unknown kind (nothing
 * changes), 5 the previous acquisition did not end, 16 no camera signal or (waiting) the
 * frames did not arrive in time, 19 stopped. Without the wait flag, a later time-out
 * (16) or stop (19) is set by the device's own thread while the host reads.
 */
VIDRUNE_API int32_t AcquireStart(const AcquireRequest* request);
/*
 * Reads a frame (see ReadRequest). Clears the last error unless the device is not open
 * (7) or the time-out is negative (12). 1 when the frame was delivered without remark;
 * 0 otherwise: 12 bad request, 26 unknown kind, 16 no frame in time, 17 frame gone; and
 * 18 (blank) or 21 (frames lost) with the pixels delivered. Kind 1 gives 0 with no code.
 * May be called from several threads at once (each with its own request and memory).
 */
VIDRUNE_API int32_t ReadDevice(ReadRequest* request);
/*
 * Stops the running acquisition. 1 when nothing ran or it stopped. 0 when it would not
 * stop in time (continuous: 5; counted: no new code) and on every call after such a
 * failure (12); also 0 with 5 while the board refuses to end the transfer that filled the
 * ring. Does not clear the last error: a counted acquisition stopped before its
 * last frame leaves 19, set by the device's thread.
 */
VIDRUNE_API int32_t AcquireStop(void);

/*
 * Stops any acquisition, releases the buffers and the camera and VIC files, removes the
 * board's attributes and closes the camera (and its serial port). Returns an error code,
 * 0 for success; 7 before InitializeDevice (last error untouched). Otherwise clears the
 * last error first. Closing a device that is not open returns 0. When the acquisition
 * does not stop, the device stays open and the stop's code is returned. Camera and mode
 * may be chosen again afterwards.
 */
VIDRUNE_API int32_t CloseDevice(void);
/*
 * Closes the device, ends the device's threads, releases the display and the board.
 * Always 0. InitializeDevice may follow and reads the configuration afresh (camera and
 * mode names handed out earlier are then invalid).
 */
VIDRUNE_API int32_t FreeDeviceResources(void);

/* The last error code (VIDRUNE_ERROR_...); 0 when none. Any time, any thread. */
VIDRUNE_API uint32_t AcqGetLastError(void);
/* The device identifier, 0x10000, from load on. */
VIDRUNE_API uint32_t GetAcqDeviceId(void);
/* The device type, VIDRUNE_DEVICE_BOARD, from load on. */
VIDRUNE_API uint32_t GetAcqDeviceType(void);
/* The device object, the same for the library's whole life; owned by the library. */
VIDRUNE_API VidruneDevice* GetDeviceHandle(void);

/* ---------------------------------------------------------------------------------------
 * Function-pointer types of the exports, for hosts that resolve them by name (dlsym,
 * GetProcAddress): VidruneXxxFn is the type of export Xxx.
 */
typedef int32_t (*VidruneAcqDeviceQueryFn)(const char* name, void* value);
typedef int32_t (*VidruneAcqDeviceSetFn)(const char* name, void* value);
typedef uint32_t (*VidruneAcqGetLastErrorFn)(void);
typedef int32_t (*VidruneAcqInputDeviceQueryFn)(const char* name, void* value);
typedef int32_t (*VidruneAcqInputDeviceSetFn)(const char* name, void* value);
typedef int32_t (*VidruneAcqInputModeQueryFn)(const char* name, void* value);
typedef int32_t (*VidruneAcqInputModeSetFn)(const char* name, void* value);
typedef int32_t (*VidruneAcquireStartFn)(const AcquireRequest* request);
typedef int32_t (*VidruneAcquireStopFn)(void);
typedef int32_t (*VidruneCloseDeviceFn)(void);
typedef int32_t (*VidruneFreeDeviceResourcesFn)(void);
typedef uint32_t (*VidruneGetAcqDeviceIdFn)(void);
typedef uint32_t (*VidruneGetAcqDeviceTypeFn)(void);
typedef uint32_t (*VidruneGetCurrentInputDeviceFn)(void);
typedef uint32_t (*VidruneGetCurrentInputModeFn)(void);
typedef VidruneDevice* (*VidruneGetDeviceHandleFn)(void);
typedef const char* (*VidruneGetFirstInputDeviceNameFn)(void);
typedef const char* (*VidruneGetFirstInputModeNameFn)(void);
typedef uint32_t (*VidruneGetInputDeviceIdFn)(const char* name);
typedef uint32_t (*VidruneGetInputDeviceTypeFn)(void);
typedef uint32_t (*VidruneGetInputModeIdFn)(const char* name);
typedef const char* (*VidruneGetNextInputDeviceNameFn)(void);
typedef const char* (*VidruneGetNextInputModeNameFn)(void);
typedef uint32_t (*VidruneGetNumInputDevicesFn)(void);
typedef uint32_t (*VidruneGetNumInputModesFn)(void);
typedef int32_t (*VidruneInitializeDeviceFn)(const char* path);
typedef int32_t (*VidruneOpenDeviceFn)(void);
typedef int32_t (*VidruneReadDeviceFn)(ReadRequest* request);
typedef int32_t (*VidruneSetCurrentInputDeviceFn)(uint32_t id);

#ifdef __cplusplus
}
#endif

#endif /* VIDRUNE_H */
