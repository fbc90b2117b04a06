// Win32 implementation of support/Environment.h: the C runtime's copy of the environment,
// which the plug-in shares through msvcrt.
#include "support/Environment.h"

#include <cstdlib>

namespace vidrune::test {

void Environment::Set(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

void Environment::Unset(const std::string& name) {
    // An empty value removes the variable.
    _putenv_s(name.c_str(), "");
}

void Environment::SetSettingsFolder(const std::string& folder) {
    Set("VIDRUNE_LOCAL_APPDATA", folder);
}

void Environment::UnsetSettingsFolder() {
    Unset("VIDRUNE_LOCAL_APPDATA");
}

} // namespace vidrune::test
