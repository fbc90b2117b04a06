#pragma once

#include <string>

namespace vidrune::test {

// The test process's environment, which the plug-in reads as well.
class Environment {
public:
    static void Set(const std::string& name, const std::string& value);
    static void Unset(const std::string& name);
    // Where the display keeps its settings file: XDG_DATA_HOME on Linux, the plug-in's
    // test override of the local application-data folder on Windows.
    static void SetSettingsFolder(const std::string& folder);
    static void UnsetSettingsFolder();
};

} // namespace vidrune::test
