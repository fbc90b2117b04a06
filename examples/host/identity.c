/* The smallest host: prints the device's identity through the exports. Written in C
   to show that the public header serves C hosts as well. */
#include "vidrune.h"

#include <stdio.h>

int main(void) {
    const char* name = NULL;
    if (!AcqDeviceQuery("NAME", (void*)&name)) {
        fprintf(stderr, "the device has no name\n");
        return 1;
    }
    printf("device      %s\n", name);
    printf("identifier  0x%X\n", GetAcqDeviceId());
    printf("type        %u\n", GetAcqDeviceType());
    printf("last error  %u\n", AcqGetLastError());
    return 0;
}
