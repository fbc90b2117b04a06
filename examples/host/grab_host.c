/* A complete host: loads the plug-in at run time, chooses a camera and a mode by name,
   opens them, grabs 10 frames by index, saves one as a PGM file, then runs a continuous
   acquisition and reads the newest frame for a while. Every result is checked.

   grab_host LIBRARY CONFIG CAMERA MODE OUT.pgm

   Written in C (it also compiles as C++) with nothing but the public header, the C
   library and the dynamic loader. */
#define _POSIX_C_SOURCE 200809L

#include "vidrune.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { kFramesByIndex = 10, kSavedIndex = 5, kLiveReads = 20, kLivePeriodMs = 50 };

/* The exports this host uses, resolved by name. */
struct Plugin {
    void* library;
    VidruneInitializeDeviceFn InitializeDevice;
    VidruneGetFirstInputDeviceNameFn GetFirstInputDeviceName;
    VidruneGetNextInputDeviceNameFn GetNextInputDeviceName;
    VidruneGetInputDeviceIdFn GetInputDeviceId;
    VidruneSetCurrentInputDeviceFn SetCurrentInputDevice;
    VidruneGetFirstInputModeNameFn GetFirstInputModeName;
    VidruneGetNextInputModeNameFn GetNextInputModeName;
    VidruneGetInputModeIdFn GetInputModeId;
    VidruneGetDeviceHandleFn GetDeviceHandle;
    VidruneOpenDeviceFn OpenDevice;
    VidruneAcqDeviceQueryFn AcqDeviceQuery;
    VidruneAcquireStartFn AcquireStart;
    VidruneReadDeviceFn ReadDevice;
    VidruneAcquireStopFn AcquireStop;
    VidruneCloseDeviceFn CloseDevice;
    VidruneFreeDeviceResourcesFn FreeDeviceResources;
    VidruneAcqGetLastErrorFn AcqGetLastError;
};

/* What the open device delivers. */
struct Frame {
    uint32_t width;
    uint32_t height;
    uint32_t bytesPerPixel;
    uint32_t bits;
    size_t bytes;
};

struct Symbol {
    const char* name;
    void* slot;
};

static int Fail(const struct Plugin* plugin, const char* what) {
    fprintf(stderr, "%s failed: error %u\n", what, (unsigned)plugin->AcqGetLastError());
    return 0;
}

static int LoadPlugin(struct Plugin* plugin, const char* path) {
    struct Symbol symbols[] = {
        {"InitializeDevice", &plugin->InitializeDevice},
        {"GetFirstInputDeviceName", &plugin->GetFirstInputDeviceName},
        {"GetNextInputDeviceName", &plugin->GetNextInputDeviceName},
        {"GetInputDeviceId", &plugin->GetInputDeviceId},
        {"SetCurrentInputDevice", &plugin->SetCurrentInputDevice},
        {"GetFirstInputModeName", &plugin->GetFirstInputModeName},
        {"GetNextInputModeName", &plugin->GetNextInputModeName},
        {"GetInputModeId", &plugin->GetInputModeId},
        {"GetDeviceHandle", &plugin->GetDeviceHandle},
        {"OpenDevice", &plugin->OpenDevice},
        {"AcqDeviceQuery", &plugin->AcqDeviceQuery},
        {"AcquireStart", &plugin->AcquireStart},
        {"ReadDevice", &plugin->ReadDevice},
        {"AcquireStop", &plugin->AcquireStop},
        {"CloseDevice", &plugin->CloseDevice},
        {"FreeDeviceResources", &plugin->FreeDeviceResources},
        {"AcqGetLastError", &plugin->AcqGetLastError},
    };
    size_t i;
    plugin->library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (plugin->library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 0;
    }
    for (i = 0; i < sizeof symbols / sizeof symbols[0]; ++i) {
        void* address = dlsym(plugin->library, symbols[i].name);
        if (address == NULL) {
            fprintf(stderr, "%s lacks the export %s\n", path, symbols[i].name);
            return 0;
        }
        /* ISO C has no cast from an object pointer to a function pointer; POSIX
           guarantees the representations match. */
        memcpy(symbols[i].slot, &address, sizeof address);
    }
    return 1;
}

/* Checks that the library is the one the header describes. */
static int CheckVersion(const struct Plugin* plugin) {
    const char* version = NULL;
    if (!plugin->AcqDeviceQuery(VIDRUNE_ATTR_VERSION, &version)) {
        fprintf(stderr, "the plug-in reports no version\n");
        return 0;
    }
    printf("plug-in version %s (header %s)\n", version, VIDRUNE_VERSION_STRING);
    return strcmp(version, VIDRUNE_VERSION_STRING) == 0;
}

static int ChooseCamera(const struct Plugin* plugin, const char* camera) {
    const char* name;
    uint32_t id;
    printf("cameras:");
    for (name = plugin->GetFirstInputDeviceName(); name != NULL;
         name = plugin->GetNextInputDeviceName())
        printf(" \"%s\"", name);
    printf("\n");
    id = plugin->GetInputDeviceId(camera);
    if (id == 0) {
        fprintf(stderr, "no camera named \"%s\"\n", camera);
        return 0;
    }
    /* A refusal for an unknown camera sets no error code; the open device sets 1. */
    return plugin->SetCurrentInputDevice(id) ? 1 : Fail(plugin, "SetCurrentInputDevice");
}

static int ChooseMode(const struct Plugin* plugin, const char* mode) {
    VidruneDevice* device = plugin->GetDeviceHandle();
    const char* name;
    uint32_t id;
    printf("modes:");
    for (name = plugin->GetFirstInputModeName(); name != NULL;
         name = plugin->GetNextInputModeName())
        printf(" \"%s\"", name);
    printf("\n");
    id = plugin->GetInputModeId(mode);
    if (id == 0) {
        fprintf(stderr, "the camera has no mode named \"%s\"\n", mode);
        return 0;
    }
    /* No export chooses the mode: the device table does. */
    return device->ops->SetCurrentInputMode(device, id) ? 1 : Fail(plugin, "SetCurrentInputMode");
}

static int QueryNumber(const struct Plugin* plugin, const char* name, uint32_t* out) {
    double value = 0;
    if (!plugin->AcqDeviceQuery(name, &value) || value < 1) {
        fprintf(stderr, "the open device has no usable \"%s\"\n", name);
        return 0;
    }
    *out = (uint32_t)value;
    return 1;
}

/* The frame as the host sees it: the window on the sensor, sub-sampled. The names are
   swapped for a turned camera, so they already describe the host's view. */
static int DescribeFrame(const struct Plugin* plugin, struct Frame* frame) {
    uint32_t width, height, xScale, yScale;
    if (!QueryNumber(plugin, VIDRUNE_ATTR_WIDTH, &width) ||
        !QueryNumber(plugin, VIDRUNE_ATTR_HEIGHT, &height) ||
        !QueryNumber(plugin, VIDRUNE_ATTR_X_DATA_SCALE, &xScale) ||
        !QueryNumber(plugin, VIDRUNE_ATTR_Y_DATA_SCALE, &yScale) ||
        !QueryNumber(plugin, VIDRUNE_ATTR_DATA_SIZE, &frame->bytesPerPixel) ||
        !QueryNumber(plugin, VIDRUNE_ATTR_DATA_RESOLUTION, &frame->bits))
        return 0;
    frame->width = width / xScale;
    frame->height = height / yScale;
    frame->bytes = (size_t)frame->width * frame->height * frame->bytesPerPixel;
    printf("frame %u x %u, %u bits in %u byte(s) per pixel\n", (unsigned)frame->width,
           (unsigned)frame->height, (unsigned)frame->bits, (unsigned)frame->bytesPerPixel);
    return 1;
}

static void FillRequest(ReadRequest* request, uint32_t kind, const struct Frame* frame,
                        void* pixels) {
    memset(request, 0, sizeof *request);
    request->kind = kind;
    request->width = frame->width;
    request->height = frame->height;
    request->copyFlag = VIDRUNE_READ_COPY;
    request->data = pixels;
}

/* Binary PGM; deeper pixels arrive little-endian and PGM wants them big-endian. */
static int SavePgm(const char* path, const struct Frame* frame, const uint8_t* pixels) {
    FILE* file = fopen(path, "wb");
    size_t i;
    int written = file != NULL;
    if (!written) {
        fprintf(stderr, "cannot write %s\n", path);
        return 0;
    }
    fprintf(file, "P5\n%u %u\n%lu\n", (unsigned)frame->width, (unsigned)frame->height,
            (1ul << frame->bits) - 1);
    if (frame->bytesPerPixel == 1) {
        written = fwrite(pixels, 1, frame->bytes, file) == frame->bytes;
    } else {
        for (i = 0; i + 1 < frame->bytes && written; i += 2)
            written = fputc(pixels[i + 1], file) != EOF && fputc(pixels[i], file) != EOF;
    }
    written = fclose(file) == 0 && written;
    if (written)
        printf("saved %s\n", path);
    return written;
}

/* Reads the frames of a counted acquisition by index as they arrive. A blank frame (18)
   or lost frames (21) still deliver pixels; every other refusal delivers none. */
static int GrabByIndex(const struct Plugin* plugin, const struct Frame* frame, uint8_t* pixels,
                       const char* pgmPath) {
    AcquireRequest acquire;
    int32_t index;
    int good = 1;
    memset(&acquire, 0, sizeof acquire);
    acquire.kind = VIDRUNE_ACQUIRE_NORMAL;
    acquire.frameCount = kFramesByIndex;
    acquire.waitFlag = 0; /* read while the board grabs: more frames than buffers work */
    if (!plugin->AcquireStart(&acquire))
        return Fail(plugin, "AcquireStart (counted)");
    for (index = 0; index < kFramesByIndex && good; ++index) {
        ReadRequest read;
        uint32_t code;
        FillRequest(&read, VIDRUNE_READ_BY_INDEX, frame, pixels);
        read.index = index;
        read.timeoutMs = 0; /* one second */
        code = plugin->ReadDevice(&read) ? VIDRUNE_ERROR_NONE : plugin->AcqGetLastError();
        printf("frame %d: error %u\n", (int)index, (unsigned)code);
        if (code == VIDRUNE_ERROR_BLANK || code == VIDRUNE_ERROR_GAP)
            continue; /* pixels delivered; a real host would flag them */
        good = code == VIDRUNE_ERROR_NONE;
        if (good && index == kSavedIndex)
            good = SavePgm(pgmPath, frame, pixels);
    }
    /* The acquisition has ended by now; stopping an ended one answers 1 at once. */
    if (!plugin->AcquireStop())
        return Fail(plugin, "AcquireStop (counted)");
    return good;
}

static void Sleep(long milliseconds) {
    struct timespec pause;
    pause.tv_sec = milliseconds / 1000;
    pause.tv_nsec = (milliseconds % 1000) * 1000000L;
    nanosleep(&pause, NULL);
}

/* Newest-frame reads carry no frame number: a new frame shows as new pixels. */
static int WatchLive(const struct Plugin* plugin, const struct Frame* frame, uint8_t* pixels,
                     uint8_t* previous) {
    AcquireRequest acquire;
    int reads, newFrames = 0, errors = 0;
    memset(&acquire, 0, sizeof acquire);
    acquire.kind = VIDRUNE_ACQUIRE_CONTINUOUS;
    if (!plugin->AcquireStart(&acquire))
        return Fail(plugin, "AcquireStart (continuous)");
    memset(previous, 0, frame->bytes);
    for (reads = 0; reads < kLiveReads; ++reads) {
        ReadRequest request;
        Sleep(kLivePeriodMs);
        FillRequest(&request, VIDRUNE_READ_LATEST, frame, pixels);
        if (plugin->ReadDevice(&request)) {
            if (memcmp(pixels, previous, frame->bytes) != 0)
                ++newFrames;
            memcpy(previous, pixels, frame->bytes);
        } else if (plugin->AcqGetLastError() != VIDRUNE_ERROR_TIMEOUT) {
            ++errors; /* 16 only means no frame has landed yet */
            fprintf(stderr, "newest frame: error %u\n", (unsigned)plugin->AcqGetLastError());
        }
    }
    printf("continuous: %d reads, %d new frames\n", kLiveReads, newFrames);
    if (!plugin->AcquireStop())
        return Fail(plugin, "AcquireStop (continuous)");
    return errors == 0 && newFrames > 1;
}

static int OpenChosen(const struct Plugin* plugin, const char* camera, const char* mode) {
    uint32_t code;
    if (!ChooseCamera(plugin, camera) || !ChooseMode(plugin, mode))
        return 0;
    /* OpenDevice returns its code, 0 for success; some refusals return 0 as well, so
       the last error decides. */
    code = (uint32_t)plugin->OpenDevice();
    if (code == VIDRUNE_ERROR_NONE)
        code = plugin->AcqGetLastError();
    if (code != VIDRUNE_ERROR_NONE) {
        fprintf(stderr, "OpenDevice failed: error %u\n", (unsigned)code);
        return 0;
    }
    return 1;
}

static int Acquire(const struct Plugin* plugin, const char* pgmPath) {
    struct Frame frame;
    uint8_t* pixels;
    uint8_t* previous;
    int good;
    if (!DescribeFrame(plugin, &frame))
        return 0;
    pixels = (uint8_t*)malloc(frame.bytes);
    previous = (uint8_t*)malloc(frame.bytes);
    good = pixels != NULL && previous != NULL && GrabByIndex(plugin, &frame, pixels, pgmPath) &&
           WatchLive(plugin, &frame, pixels, previous);
    free(pixels);
    free(previous);
    return good;
}

int main(int argc, char** argv) {
    struct Plugin plugin;
    int good;
    uint32_t closed;
    if (argc != 6) {
        fprintf(stderr, "usage: %s LIBRARY CONFIG CAMERA MODE OUT.pgm\n", argv[0]);
        return 2;
    }
    memset(&plugin, 0, sizeof plugin);
    if (!LoadPlugin(&plugin, argv[1]) || !CheckVersion(&plugin))
        return 1;
    if (!plugin.InitializeDevice(argv[2])) {
        Fail(&plugin, "InitializeDevice");
        return 1;
    }
    good = OpenChosen(&plugin, argv[3], argv[4]) && Acquire(&plugin, argv[5]);
    closed = (uint32_t)plugin.CloseDevice();
    if (closed != VIDRUNE_ERROR_NONE) {
        fprintf(stderr, "CloseDevice failed: error %u\n", (unsigned)closed);
        good = 0;
    }
    plugin.FreeDeviceResources(); /* always 0 */
    dlclose(plugin.library);
    return good ? 0 : 1;
}
