// Placeholder: no board is present until the simulated board lands.
#include "fgcore.h"

extern "C" {
FgHandle FgManGetLocalServer(void) { return 0; }
FgStatus FgManGetServerByName(const char*, FgHandle* server) { *server = 0; return FG_ERR_NOT_FOUND; }
FgStatus FgManReleaseServer(FgHandle) { return FG_ERR_INVALID_HANDLE; }
FgStatus FgManSetTimeout(uint32_t) { return FG_OK; }
FgStatus FgAcqGetHandle(FgHandle, uint32_t, FgHandle* a) { *a = 0; return FG_ERR_NOT_FOUND; }
FgStatus FgAcqRelease(FgHandle) { return FG_ERR_INVALID_HANDLE; }
int32_t FgIsLiveHandle(FgHandle, FgObjectKind) { return 0; }
}
