// POSIX implementation of support/Environment.h.
#include "support/Environment.h"

#include <cstdlib>

namespace vidrune::test {

void Environment::Set(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void Environment::Unset(const std::string& name) {
    unsetenv(name.c_str());
}

void Environment::SetSettingsFolder(const std::string& folder) {
    Set("XDG_DATA_HOME", folder);
}

void Environment::UnsetSettingsFolder() {
    Unset("XDG_DATA_HOME");
}

} // namespace vidrune::test
