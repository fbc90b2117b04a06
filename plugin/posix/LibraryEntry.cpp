// The library entry on POSIX systems: the loader runs these on dlopen and dlclose.
#include "plugin/Plugin.h"

namespace {

__attribute__((constructor)) void AttachProcess() {
    vidrune::Plugin::Attach();
}

// dlclose and exit() both come here with every thread still running, so the device
// stops them itself.
__attribute__((destructor)) void DetachProcess() {
    vidrune::Plugin::Detach(false);
}

} // namespace
