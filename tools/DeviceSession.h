#pragma once

#include "tools/AttributeAssignment.h"
#include "tools/PluginApi.h"
#include "tools/Region.h"
#include "tools/SessionOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace vidrune::tool {

// The device driven in the host's calling order: initialise, choose camera and mode, open,
// set and query attributes, acquire and read; closed and freed again on destruction.
// Failures become ToolErrors that say what went wrong and what the user can do.
class DeviceSession {
public:
    explicit DeviceSession(const PluginApi& api);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Initialise, choose camera and mode, open and apply the sets, as the options say.
    void OpenAsConfigured(const SessionOptions& options);

    // Reads the configuration file (which must exist and be readable).
    void Initialize(const std::string& config);
    std::vector<std::string> CameraNames() const;
    // The modes of the current camera.
    std::vector<std::string> ModeNames() const;
    // Empty names choose the first camera or mode.
    void SelectCamera(const std::string& name);
    void SelectMode(const std::string& name);
    void Open();
    // Applies a --set; unknown names, read-only attributes and refused values are bad input.
    void Apply(const AttributeAssignment& assignment);

    const std::string& CameraName() const { return camera_; }
    const std::string& ModeName() const { return mode_; }
    const std::string& ConfigPath() const { return config_; }

    // Device-level attributes (after opening, the board's).
    std::optional<double> Numeric(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    std::optional<double> CameraNumeric(const std::string& name) const;
    std::optional<std::string> CameraText(const std::string& name) const;
    std::optional<double> ModeNumeric(const std::string& name) const;
    std::optional<std::string> ModeText(const std::string& name) const;

    // The frame as the host sees it (turned when the camera is rotated).
    uint32_t FrameWidth() const;
    uint32_t FrameHeight() const;
    uint32_t BytesPerPixel() const;
    uint32_t Resolution() const;
    int32_t BufferCount() const;
    // Throws ToolError (bad input) when the region leaves the frame.
    void CheckRegion(const Region& region) const;

    // 0 when the start succeeded, else the last error.
    uint32_t Start(const AcquireRequest& request);
    // Stops a running acquisition; the last error when the stop failed, else 0.
    uint32_t Stop();
    // 0 when the frame was delivered without error, else the last error
    // (ErrorText::kFailedWithoutCode when the read failed without one).
    uint32_t Read(ReadRequest& request) const;

    const PluginApi& Api() const { return api_; }

private:
    std::string DescribeOpenFailure(uint32_t code) const;
    std::string DescribeMissingControlFile() const;
    std::string DescribeRejectedValue(const AttributeAssignment& assignment) const;
    uint32_t LastError() const { return api_.AcqGetLastError(); }

    const PluginApi& api_;
    std::string config_;
    std::string camera_;
    std::string mode_;
    bool initialized_ = false;
    bool open_ = false;
    bool acquiring_ = false;
};

} // namespace vidrune::tool
