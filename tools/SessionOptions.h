#pragma once

#include <string>
#include <vector>

namespace vidrune::tool {

// What every command needs to reach a device: the configuration, the camera and mode
// (empty: the first), and the attribute sets to apply after opening.
struct SessionOptions {
    std::string library;
    std::string config;
    std::string camera;
    std::string mode;
    std::vector<std::string> sets;
};

} // namespace vidrune::tool
