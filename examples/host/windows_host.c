/* A Windows host in C: loads Vidrune.dll at run time as the metrology application does,
   resolves every export by name and by ordinal, and grabs three frames from the first
   mode of the first camera of a configuration: windows_host CONFIG.ini */
#include "platform/win32/WindowsHeaders.h"
#include "vidrune.h"

#include <stdio.h>
#include <stdlib.h>

/* The exports in ordinal order: ordinal n is entry n - 1. */
static const char* const kExports[29] = {
    "AcqDeviceQuery",
    "AcqDeviceSet",
    "AcqGetLastError",
    "AcqInputDeviceQuery",
    "AcqInputDeviceSet",
    "AcqInputModeQuery",
    "AcqInputModeSet",
    "AcquireStart",
    "AcquireStop",
    "CloseDevice",
    "FreeDeviceResources",
    "GetAcqDeviceId",
    "GetAcqDeviceType",
    "GetCurrentInputDevice",
    "GetCurrentInputMode",
    "GetDeviceHandle",
    "GetFirstInputDeviceName",
    "GetFirstInputModeName",
    "GetInputDeviceId",
    "GetInputDeviceType",
    "GetInputModeId",
    "GetNextInputDeviceName",
    "GetNextInputModeName",
    "GetNumInputDevices",
    "GetNumInputModes",
    "InitializeDevice",
    "OpenDevice",
    "ReadDevice",
    "SetCurrentInputDevice",
};

enum { kFrames = 3 };

/* Kept as the generic function pointer type; each call casts to the export's own type. */
typedef void (*AnyFunction)(void);
static AnyFunction g_exports[29];

static int Fail(const char* what) {
    uint32_t (*lastError)(void) = (uint32_t(*)(void))g_exports[2];
    fprintf(stderr, "%s failed (last error %u)\n", what, lastError != NULL ? lastError() : 0u);
    return 1;
}

/* Every name and its ordinal reach the same function. */
static int ResolveExports(HMODULE plugin) {
    for (int i = 0; i < 29; ++i) {
        FARPROC byName = GetProcAddress(plugin, kExports[i]);
        FARPROC byOrdinal = GetProcAddress(plugin, MAKEINTRESOURCEA(i + 1));
        if (byName == NULL || byName != byOrdinal) {
            fprintf(stderr, "export %s is not ordinal %d\n", kExports[i], i + 1);
            return 0;
        }
        g_exports[i] = (AnyFunction)byName;
    }
    return 1;
}

/* The simulated board's pattern: pixel (x, y) is 1 + (x + 3y + 5n) % 255 in frame n. */
static int PatternHolds(const uint8_t* pixels, uint32_t width, uint32_t height) {
    const int origin = pixels[0] - 1;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (pixels[y * width + x] != 1 + (origin + x + 3 * y) % 255)
                return 0;
        }
    }
    return 1;
}

static int Grab(const char* config) {
    int32_t (*initialize)(const char*) = (int32_t(*)(const char*))g_exports[25];
    const char* (*firstCamera)(void) = (const char* (*)(void))g_exports[16];
    uint32_t (*cameraId)(const char*) = (uint32_t(*)(const char*))g_exports[18];
    int32_t (*setCamera)(uint32_t) = (int32_t(*)(uint32_t))g_exports[28];
    const char* (*firstMode)(void) = (const char* (*)(void))g_exports[17];
    uint32_t (*modeId)(const char*) = (uint32_t(*)(const char*))g_exports[20];
    VidruneDevice* (*deviceHandle)(void) = (VidruneDevice * (*)(void)) g_exports[15];
    int32_t (*open)(void) = (int32_t(*)(void))g_exports[26];
    uint32_t (*lastError)(void) = (uint32_t(*)(void))g_exports[2];
    int32_t (*query)(const char*, void*) = (int32_t(*)(const char*, void*))g_exports[0];
    int32_t (*start)(const AcquireRequest*) = (int32_t(*)(const AcquireRequest*))g_exports[7];
    int32_t (*read)(ReadRequest*) = (int32_t(*)(ReadRequest*))g_exports[27];
    int32_t (*close)(void) = (int32_t(*)(void))g_exports[9];
    int32_t (*freeResources)(void) = (int32_t(*)(void))g_exports[10];

    if (!initialize(config))
        return Fail("InitializeDevice");
    const char* camera = firstCamera();
    if (camera == NULL || !setCamera(cameraId(camera)))
        return Fail("choosing the first camera");
    const char* mode = firstMode();
    VidruneDevice* device = deviceHandle();
    if (mode == NULL || !device->ops->SetCurrentInputMode(device, modeId(mode)))
        return Fail("choosing the first mode");
    open();
    if (lastError() != 0)
        return Fail("OpenDevice");

    double width = 0, height = 0;
    if (!query("WIDTH", &width) || !query("HEIGHT", &height))
        return Fail("querying the frame size");
    const uint32_t w = (uint32_t)width, h = (uint32_t)height;
    const AcquireRequest grab = {VIDRUNE_ACQUIRE_NORMAL, 0, kFrames, 1};
    if (!start(&grab))
        return Fail("AcquireStart");
    uint8_t* pixels = malloc((size_t)w * h);
    int good = pixels != NULL;
    for (int32_t i = 0; good && i < kFrames; ++i) {
        ReadRequest request = {0};
        request.kind = VIDRUNE_READ_BY_INDEX;
        request.index = i;
        request.width = w;
        request.height = h;
        request.copyFlag = 1;
        request.data = pixels;
        good = read(&request) && PatternHolds(pixels, w, h);
        printf("frame %d: %s\n", i, good ? "pattern as expected" : "wrong");
    }
    free(pixels);
    if (!good)
        return Fail("reading the frames");
    if (close() != 0)
        return Fail("CloseDevice");
    freeResources();
    printf("%s / %s: %d frames of %u x %u\n", camera, mode, kFrames, w, h);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: windows_host CONFIG.ini\n");
        return 2;
    }
    HMODULE plugin = LoadLibraryA("Vidrune.dll");
    if (plugin == NULL) {
        fprintf(stderr, "cannot load Vidrune.dll (error %lu)\n", GetLastError());
        return 1;
    }
    const int result = ResolveExports(plugin) ? Grab(argv[1]) : 1;
    FreeLibrary(plugin);
    return result;
}
