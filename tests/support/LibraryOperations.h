#pragma once

namespace vidrune::test {

// The board library's operations, any of which a board may refuse.
inline constexpr const char* kLibraryOperations[] = {"FgManGetLocalServer",
                                                     "FgManGetServerByName",
                                                     "FgManReleaseServer",
                                                     "FgManSetTimeout",
                                                     "FgAcqGetHandle",
                                                     "FgAcqRelease",
                                                     "FgAcqGetPrms",
                                                     "FgAcqSetPrms",
                                                     "FgAcqGetPrm",
                                                     "FgAcqSetPrm",
                                                     "FgAcqGetCap",
                                                     "FgCamNew",
                                                     "FgCamLoad",
                                                     "FgCamGetPrm",
                                                     "FgCamSetPrm",
                                                     "FgCamFree",
                                                     "FgVicNew",
                                                     "FgVicLoad",
                                                     "FgVicGetPrm",
                                                     "FgVicSetPrm",
                                                     "FgVicFree",
                                                     "FgBufferNew",
                                                     "FgBufferGetPrm",
                                                     "FgBufferFree",
                                                     "FgXferNew",
                                                     "FgXferAppend",
                                                     "FgXferSelect",
                                                     "FgXferRegisterCallback",
                                                     "FgXferConnect",
                                                     "FgXferSetPrm",
                                                     "FgXferStart",
                                                     "FgXferAbort",
                                                     "FgXferDisconnect",
                                                     "FgXferFree"};

} // namespace vidrune::test
