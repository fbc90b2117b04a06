#include "tools/DeviceSession.h"

#include "platform/FileSystem.h"
#include "tools/AttributeCatalog.h"
#include "tools/ErrorText.h"
#include "tools/ToolError.h"

#include <cmath>
#include <filesystem>
#include <fstream>

namespace vidrune::tool {

namespace {

namespace fs = std::filesystem;
using platform::FileSystem;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string QuotedList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + Quoted(name);
    return list.empty() ? "none" : list;
}

// The error line with the general advice for the code, when there is some.
std::string Explained(uint32_t code) {
    const std::string hint = ErrorText::Hint(code);
    return ErrorText::Line(code) + (hint.empty() ? "" : "\n  " + hint);
}

std::string ParentOf(const std::string& path) {
    return FileSystem::FolderOf(path);
}

std::string NoUsableCamera(const std::string& config) {
    return "no usable camera in " + config +
           "\n  a camera needs a section [CAMERA1] (then CAMERA2, ...) with NAME and PIXELSIZE "
           "greater than 0,\n  and at least one usable mode section [CAMERA1_MODE1] with NAME, "
           "CONTROLFILE, FRAMERATE greater than 0,\n  HPERIOD, VPERIOD, PIXELCLOCK, WIDTH and "
           "HEIGHT of at least 1, RESOLUTION 8 to 16, TRIGGERLEVEL 1 to 4\n  and TRIGGERSOURCE "
           "1 to 6";
}

void CheckReadable(const std::string& config) {
    std::error_code error;
    const fs::file_status status = fs::status(config, error);
    if (!fs::exists(status))
        throw ToolError::BadInput("the configuration file " + config + " does not exist");
    if (fs::is_directory(status))
        throw ToolError::BadInput(config + " is a folder, not a configuration file");
    std::ifstream in(config);
    if (!in)
        throw ToolError::BadInput("the configuration file " + config + " cannot be read");
}

} // namespace

DeviceSession::DeviceSession(const PluginApi& api) : api_(api) {}

DeviceSession::~DeviceSession() {
    if (acquiring_)
        api_.AcquireStop();
    if (open_)
        api_.CloseDevice();
    if (initialized_)
        api_.FreeDeviceResources();
}

void DeviceSession::OpenAsConfigured(const SessionOptions& options) {
    std::vector<AttributeAssignment> assignments;
    for (const std::string& text : options.sets)
        assignments.push_back(AttributeAssignment::Parse(text));
    Initialize(options.config);
    SelectCamera(options.camera);
    SelectMode(options.mode);
    Open();
    for (const AttributeAssignment& assignment : assignments)
        Apply(assignment);
}

void DeviceSession::Initialize(const std::string& config) {
    CheckReadable(config);
    std::error_code error;
    const fs::path absolute = fs::absolute(config, error);
    config_ = error ? config : absolute.lexically_normal().string();
    // A failed initialisation may have set up part of the device: free it all the same.
    initialized_ = true;
    if (!api_.InitializeDevice(config_.c_str())) {
        const uint32_t code = LastError();
        if (code == 23)
            throw ToolError::BadInput(NoUsableCamera(config_));
        throw ToolError::Failed("cannot initialise the device with " + config_ + ": " +
                                Explained(code));
    }
    if (api_.GetNumInputDevices() == 0)
        throw ToolError::BadInput(NoUsableCamera(config_));
}

std::vector<std::string> DeviceSession::CameraNames() const {
    std::vector<std::string> names;
    for (const char* name = api_.GetFirstInputDeviceName(); name != nullptr;
         name = api_.GetNextInputDeviceName())
        names.emplace_back(name);
    return names;
}

std::vector<std::string> DeviceSession::ModeNames() const {
    std::vector<std::string> names;
    for (const char* name = api_.GetFirstInputModeName(); name != nullptr;
         name = api_.GetNextInputModeName())
        names.emplace_back(name);
    return names;
}

void DeviceSession::SelectCamera(const std::string& name) {
    const std::vector<std::string> names = CameraNames();
    const std::string chosen = name.empty() && !names.empty() ? names.front() : name;
    const uint32_t id = api_.GetInputDeviceId(chosen.c_str());
    if (id == 0)
        throw ToolError::BadInput("no camera " + Quoted(chosen) + " in " + config_ +
                                  "\n  cameras: " + QuotedList(names));
    if (!api_.SetCurrentInputDevice(id))
        throw ToolError::Failed("cannot choose camera " + Quoted(chosen) + ": " +
                                Explained(LastError()));
    camera_ = chosen;
    mode_.clear();
}

void DeviceSession::SelectMode(const std::string& name) {
    const std::vector<std::string> names = ModeNames();
    const std::string chosen = name.empty() && !names.empty() ? names.front() : name;
    const uint32_t id = api_.GetInputModeId(chosen.c_str());
    if (id == 0)
        throw ToolError::BadInput("camera " + Quoted(camera_) + " has no mode " + Quoted(chosen) +
                                  "\n  modes: " + QuotedList(names));
    if (!api_.SetCurrentInputMode(id))
        throw ToolError::Failed("cannot choose mode " + Quoted(chosen) + ": " +
                                Explained(LastError()));
    mode_ = chosen;
}

void DeviceSession::Open() {
    uint32_t code = static_cast<uint32_t>(api_.OpenDevice());
    if (code == 0)
        code = LastError();
    if (code == 0) {
        open_ = true;
        return;
    }
    // A missing or unloadable camera file is a fault of the configuration.
    const std::string message = DescribeOpenFailure(code);
    if (code == 23 || code == 1)
        throw ToolError::BadInput(message);
    throw ToolError::Failed(message);
}

std::string DeviceSession::DescribeOpenFailure(uint32_t code) const {
    std::string message = "cannot open camera " + Quoted(camera_) + " in mode " + Quoted(mode_) +
                          ": " + ErrorText::Line(code);
    if (code == 23)
        return message + "\n  " + DescribeMissingControlFile();
    const std::string hint = ErrorText::Hint(code);
    return message + (hint.empty() ? "" : "\n  " + hint);
}

std::string DeviceSession::DescribeMissingControlFile() const {
    const std::string file = ModeText("CONTROL FILE").value_or("");
    const std::string folder = Text("CONFIG FILE PATH").value_or("");
    std::string text = "the control file " + Quoted(file) + " of mode " + Quoted(mode_) +
                       " is not in " + (folder.empty() ? "the current folder" : folder) + "\n";
    const std::string parent = ParentOf(ParentOf(FileSystem::ExecutablePath()));
    text += "  control files are looked for in the first of these folders that exists:";
    for (const char* candidate : {"/cfg", "/config"}) {
        const std::string path = parent + candidate;
        text += "\n    " + path + (FileSystem::Exists(path) ? "" : " (absent)");
    }
    return text + "\n    " + ParentOf(config_) + " (the folder of the configuration file)";
}

void DeviceSession::Apply(const AttributeAssignment& assignment) {
    const std::string& name = assignment.name;
    if (AttributeCatalog::FindSettable(name) == nullptr) {
        std::string settable;
        for (const auto& entry : AttributeCatalog::SettableOnBoard())
            settable += (settable.empty() ? "" : ", ") + Quoted(entry.name);
        if (Numeric(name))
            throw ToolError::BadInput("the attribute " + Quoted(name) +
                                      " is read-only\n  attributes you can set: " + settable);
        const std::string suggestion = AttributeCatalog::Suggest(name);
        throw ToolError::BadInput(
            "unknown attribute " + Quoted(name) +
            (suggestion.empty() ? "" : " (did you mean " + Quoted(suggestion) + "?)") +
            "\n  attributes you can set: " + settable);
    }
    double value = assignment.value;
    if (api_.AcqDeviceSet(name.c_str(), &value))
        return;
    const uint32_t code = LastError();
    if (code == 12)
        throw ToolError::BadInput(DescribeRejectedValue(assignment));
    throw ToolError::Failed("cannot set " + Quoted(name) + " to " + assignment.valueText + ": " +
                            Explained(code));
}

std::string DeviceSession::DescribeRejectedValue(const AttributeAssignment& assignment) const {
    const AttributeCatalog::Settable* entry = AttributeCatalog::FindSettable(assignment.name);
    std::string allowed = entry->allowed;
    if (entry->limitedBy != nullptr) {
        if (const auto limit = Numeric(entry->limitedBy))
            allowed = "1 to " + std::to_string(static_cast<long long>(*limit)) + " (" +
                      entry->limitedBy + ")";
    }
    return "the board rejects " + Quoted(assignment.name) + " = " + assignment.valueText +
           "\n  allowed: " + allowed;
}

std::optional<double> DeviceSession::Numeric(const std::string& name) const {
    double value = 0;
    if (!api_.AcqDeviceQuery(name.c_str(), &value))
        return std::nullopt;
    return value;
}

std::optional<std::string> DeviceSession::Text(const std::string& name) const {
    const char* text = nullptr;
    if (!api_.AcqDeviceQuery(name.c_str(), &text) || text == nullptr)
        return std::nullopt;
    return std::string(text);
}

std::optional<double> DeviceSession::CameraNumeric(const std::string& name) const {
    double value = 0;
    if (!api_.AcqInputDeviceQuery(name.c_str(), &value))
        return std::nullopt;
    return value;
}

std::optional<std::string> DeviceSession::CameraText(const std::string& name) const {
    const char* text = nullptr;
    if (!api_.AcqInputDeviceQuery(name.c_str(), &text) || text == nullptr)
        return std::nullopt;
    return std::string(text);
}

std::optional<double> DeviceSession::ModeNumeric(const std::string& name) const {
    double value = 0;
    if (!api_.AcqInputModeQuery(name.c_str(), &value))
        return std::nullopt;
    return value;
}

std::optional<std::string> DeviceSession::ModeText(const std::string& name) const {
    const char* text = nullptr;
    if (!api_.AcqInputModeQuery(name.c_str(), &text) || text == nullptr)
        return std::nullopt;
    return std::string(text);
}

uint32_t DeviceSession::FrameWidth() const {
    const double scale = Numeric("X DATA SCALE").value_or(1);
    return static_cast<uint32_t>(std::trunc(Numeric("WIDTH").value_or(0) / scale));
}

uint32_t DeviceSession::FrameHeight() const {
    const double scale = Numeric("Y DATA SCALE").value_or(1);
    return static_cast<uint32_t>(std::trunc(Numeric("HEIGHT").value_or(0) / scale));
}

uint32_t DeviceSession::BytesPerPixel() const {
    return static_cast<uint32_t>(Numeric("DATA SIZE").value_or(1));
}

uint32_t DeviceSession::Resolution() const {
    return static_cast<uint32_t>(Numeric("DATA RESOLUTION").value_or(8));
}

int32_t DeviceSession::BufferCount() const {
    return static_cast<int32_t>(Numeric("GRAB DATA BUFFERS").value_or(0));
}

void DeviceSession::CheckRegion(const Region& region) const {
    const uint32_t width = FrameWidth();
    const uint32_t height = FrameHeight();
    if (region.FitsIn(width, height))
        return;
    const bool turned = Numeric("ROTATEDATA").value_or(0) > 0;
    throw ToolError::BadInput("--region " + region.ToString() + " leaves the frame of " +
                              std::to_string(width) + " x " + std::to_string(height) + " pixels" +
                              (turned ? " (the camera's image turned)" : "") +
                              "\n  X + W must be at most " + std::to_string(width) +
                              " and Y + H at most " + std::to_string(height));
}

uint32_t DeviceSession::Start(const AcquireRequest& request) {
    acquiring_ = true;
    if (api_.AcquireStart(&request))
        return 0;
    const uint32_t code = LastError();
    return code != 0 ? code : ErrorText::kFailedWithoutCode;
}

uint32_t DeviceSession::Stop() {
    if (!acquiring_)
        return 0;
    acquiring_ = false;
    return api_.AcquireStop() ? 0 : LastError();
}

uint32_t DeviceSession::Read(ReadRequest& request) const {
    if (api_.ReadDevice(&request))
        return 0;
    const uint32_t code = LastError();
    return code != 0 ? code : ErrorText::kFailedWithoutCode;
}

} // namespace vidrune::tool
