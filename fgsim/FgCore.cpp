// Placeholder: no board is present until the simulated board lands.
#include "fgcore.h"

extern "C" {
FgHandle FgManGetLocalServer(void) { return 0; }
FgStatus FgManGetServerByName(const char*, FgHandle* server) { *server = 0; return FG_ERR_NOT_FOUND; }
FgStatus FgManReleaseServer(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgManSetTimeout(uint32_t) { return FG_OK; }
FgStatus FgAcqGetHandle(FgHandle, uint32_t, FgHandle* a) { *a = 0; return FG_ERR_NOT_FOUND; }
FgStatus FgAcqRelease(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgAcqGetPrms(FgHandle, FgHandle, FgHandle, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgAcqSetPrms(FgHandle, FgHandle, FgHandle, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgAcqGetPrm(FgHandle, uint32_t, uint32_t*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgAcqSetPrm(FgHandle, uint32_t, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgAcqGetCap(FgHandle, uint32_t, uint32_t*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgCamNew(FgHandle, FgHandle*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgCamLoad(FgHandle, const char*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgCamGetPrm(FgHandle, uint32_t, uint32_t*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgCamSetPrm(FgHandle, uint32_t, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgCamFree(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgVicNew(FgHandle, FgHandle*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgVicLoad(FgHandle, const char*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgVicGetPrm(FgHandle, uint32_t, uint32_t*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgVicSetPrm(FgHandle, uint32_t, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgVicFree(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgBufferNew(FgHandle, uint32_t, uint32_t, uint32_t, uint32_t, FgHandle*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgBufferGetPrm(FgHandle, uint32_t, void*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgBufferFree(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferNew(FgHandle, FgHandle, FgHandle, const void*, FgHandle*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferAppend(FgHandle, FgHandle, FgHandle, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferSelect(FgHandle, FgHandle, FgHandle, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferRegisterCallback(FgHandle, uint32_t, FgCallbackProc, void*) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferConnect(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferSetPrm(FgHandle, uint32_t, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferStart(FgHandle, uint32_t) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferAbort(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferDisconnect(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgXferFree(FgHandle) { return FG_ERR_INVALID_HANDLE; }
int32_t FgIsLiveHandle(FgHandle, FgObjectKind) { return 0; }
}
