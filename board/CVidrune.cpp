#include "board/CVidrune.h"

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CVidrune, CAcqDevice)

CVidrune::CVidrune(const char* name) : CAcqDevice(name, 1) {}

CVidrune::~CVidrune() = default;

int CVidrune::IsValid() const {
    return CAcqDevice::IsValid() ? static_cast<int>(startedFlag_) : 0;
}

int CVidrune::LoadInputDevices(const char*) {
    return 0;
}

int CVidrune::AcquireStart(const void*) {
    return 0;
}

int CVidrune::AcquireStop() {
    return 1;
}

int CVidrune::ReadDevice(void*) {
    return 0;
}

} // namespace vidrune
