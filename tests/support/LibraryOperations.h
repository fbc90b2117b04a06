#pragma once

#include <string_view>

namespace vidrune::test {

// The board library's operations, any of which a board may refuse.
inline constexpr const char* kLibraryOperations[] = {
    // The server and the board
    "FgManGetLocalServer", "FgManGetServerByName", "FgManReleaseServer", "FgManSetTimeout",
    "FgAcqGetHandle", "FgAcqRelease", "FgAcqGetPrms", "FgAcqSetPrms", "FgAcqGetPrm", "FgAcqSetPrm",
    "FgAcqGetCap",
    // The camera and sensor (VIC) files
    "FgCamNew", "FgCamLoad", "FgCamGetPrm", "FgCamSetPrm", "FgCamFree", "FgVicNew", "FgVicLoad",
    "FgVicGetPrm", "FgVicSetPrm", "FgVicFree",
    // Buffers and the transfers that fill them
    "FgBufferNew", "FgBufferGetPrm", "FgBufferFree", "FgXferNew", "FgXferAppend", "FgXferSelect",
    "FgXferRegisterCallback", "FgXferConnect", "FgXferSetPrm", "FgXferStart", "FgXferAbort",
    "FgXferDisconnect", "FgXferFree"};

// On Windows the plug-in's messages are message boxes that wait for a user, so there a test
// through the exports cannot refuse the operations whose refusal shows one ("DMA Memory
// Allocation Error").
inline bool RefusalWaitsForAUser(std::string_view operation) {
#if defined(_WIN32)
    return operation == "FgBufferNew" || operation == "FgBufferGetPrm";
#else
    (void)operation;
    return false;
#endif
}

} // namespace vidrune::test
