#pragma once

#include <stdexcept>
#include <string>

namespace vidrune::tool {

// A failure that ends the command with a message for the user and an exit status.
class ToolError : public std::runtime_error {
public:
    // Exit statuses of the tool.
    static constexpr int kAcquisitionFailed = 1;
    static constexpr int kBadInput = 2;

    ToolError(int status, const std::string& message)
        : std::runtime_error(message), status_(status) {}

    static ToolError BadInput(const std::string& message) { return {kBadInput, message}; }
    static ToolError Failed(const std::string& message) { return {kAcquisitionFailed, message}; }

    int Status() const { return status_; }

private:
    int status_;
};

} // namespace vidrune::tool
