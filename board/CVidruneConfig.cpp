// The configuration file: device, camera, mode and display sections, and the folder of
// the camera control files.
#include "board/CVidrune.h"
#include "input/CAcqCameraDevice.h"
#include "input/CAcqInputDeviceList.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vidrune {

namespace {

using platform::Profile;

constexpr const char* kNoData = "NO DATA";
constexpr double kSmallestPixelSize = 1.1754943508222875e-38;
constexpr int kDefaultBuffers = 4;
// Section names end in one character counted up from '0'.
constexpr int kMaxSectionNumber = 255 - '0';

std::string SectionName(const std::string& stem, int number) {
    std::string name = stem + "0";
    name.back() = static_cast<char>('0' + number);
    return name;
}

// Configuration files are written with a '.' whatever locale the host runs in.
double ToNumber(const std::string& text) {
    return Profile::ParseNumber(text);
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Every key of a mode section, read in file order.
struct ModeKeys {
    std::string name;
    std::string description;
    std::string controlFile;
    double frameRate = 0;
    int frameSkip = 1;
    int subsample = 1;
    int xSubsample = 1;
    int ySubsample = 1;
    int hPeriod = 0;
    int vPeriod = 0;
    int pixelClock = 0;
    int pitchMult = 1;
    int interlace = 0;
    int resolution = 8;
    int width = 0;
    int height = 0;
    std::string shutter;
    int startField = 0;
    int triggerLevel = 0;
    int triggerSource = 3;

    void Read(const char* path, const std::string& section) {
        name = Profile::GetString(path, section, "NAME", kNoData, 100);
        description = Profile::GetString(path, section, "DESC", kNoData, 100);
        controlFile = Profile::GetString(path, section, "CONTROLFILE", kNoData, 255);
        frameRate = ToNumber(Profile::GetString(path, section, "FRAMERATE", kNoData, 255));
        frameSkip = Profile::GetInt(path, section, "FRAMESKIP", 1);
        subsample = Profile::GetInt(path, section, "SUBSAMPLE", 1);
        xSubsample = Profile::GetInt(path, section, "XSUBSAMPLE", 1);
        ySubsample = Profile::GetInt(path, section, "YSUBSAMPLE", 1);
        hPeriod = Profile::GetInt(path, section, "HPERIOD", 0);
        vPeriod = Profile::GetInt(path, section, "VPERIOD", 0);
        pixelClock = Profile::GetInt(path, section, "PIXELCLOCK", 0);
        pitchMult = Profile::GetInt(path, section, "PITCHMULT", 1);
        interlace = Profile::GetInt(path, section, "INTERLACE", 0);
        resolution = Profile::GetInt(path, section, "RESOLUTION", 8);
        width = Profile::GetInt(path, section, "WIDTH", 0);
        height = Profile::GetInt(path, section, "HEIGHT", 0);
        shutter = Profile::GetString(path, section, "SHUTTERUS", kNoData, 255);
        startField = Profile::GetInt(path, section, "STARTFIELD", 0);
        triggerLevel = Profile::GetInt(path, section, "TRIGGERLEVEL", 0);
        if (triggerLevel <= 0)
            triggerLevel = 2;
        triggerSource = Profile::GetInt(path, section, "TRIGGERSOURCE", 3);
    }

    bool Usable() const {
        return name != kNoData && controlFile != kNoData && frameRate > 0 && hPeriod >= 1 &&
               vPeriod >= 1 && pixelClock >= 1 && pitchMult >= 1 && resolution >= 8 &&
               resolution <= 16 && width >= 1 && height >= 1 && triggerLevel >= 1 &&
               triggerLevel <= 4 && triggerSource >= 1 && triggerSource <= 6;
    }

    double ShutterMicroseconds() const {
        return EqualsIgnoringCase(shutter, kNoData) ? 1000000.0 / frameRate : ToNumber(shutter);
    }
};

} // namespace

void CVidrune::ReadDeviceSection(const char* path) {
    SetString("NAME", Profile::GetString(path, "STRAVIK2", "NAME", "STRAVIK2 MONO", 255).c_str());
    // The ring holds at most kCapacity buffers and needs at least one.
    const int buffers = Profile::GetInt(path, "STRAVIK2", "DATABUFFERS", kDefaultBuffers);
    SetNumeric("GRAB DATA BUFFERS", std::clamp(buffers, 1, GrabBufferRing::kCapacity));
}

int CVidrune::ReadCameraSection(const char* path, const char* section, CAcqCameraDevice& camera) {
    const std::string name = Profile::GetString(path, section, "NAME", kNoData, 100);
    const double pixelSize = ToNumber(Profile::GetString(path, section, "PIXELSIZE", "0.0", 100));
    const int invertXY = Profile::GetInt(path, section, "INVERTXY", 0);
    const int rotate = Profile::GetInt(path, section, "ROTATEDATA", 0);
    const int flip = Profile::GetInt(path, section, "FLIPDATA", 0);
    const std::string port = Profile::GetString(path, section, "COMPORT", kNoData, 100);
    const int baud = Profile::GetInt(path, section, "COMBAUD", 9600);
    const int flow = Profile::GetInt(path, section, "COMXONXOFF", 0);
    const int delay = Profile::GetInt(path, section, "COMDELAY", 0);
    if (!(pixelSize > kSmallestPixelSize) || name == kNoData)
        return 0;

    bool stored = camera.SetString("NAME", name.c_str()) &&
                  camera.SetNumeric("PIXEL SIZE", pixelSize) &&
                  camera.SetNumeric("INVERTXY", invertXY) &&
                  camera.SetNumeric("ROTATEDATA", rotate) && camera.SetNumeric("FLIPDATA", flip);
    if (stored && port != kNoData) {
        camera.SetString("COM PORT", port.c_str());
        camera.SetNumeric("COM BAUD", baud);
        camera.SetNumeric("COM FLOW", flow);
        stored = camera.SetNumeric("COM DELAY", delay);
    }
    if (!stored) {
        SetLastError(9);
        return 0;
    }
    return 1;
}

int CVidrune::ReadModeSection(const char* path, const char* section, CAcqCameraDevice& camera) {
    ModeKeys keys;
    keys.Read(path, section);
    if (!keys.Usable())
        return 0;
    const uint32_t id =
        camera.AddCameraMode(keys.name.c_str(), keys.controlFile.c_str(), keys.frameRate);
    if (id == 0) {
        SetLastError(9);
        return 0;
    }

    bool anyStored = camera.SetModeString(id, "DESCRIPTION", keys.description.c_str());
    auto store = [&](const char* attribute, double value) {
        anyStored |= camera.SetModeNumeric(id, attribute, value) != 0;
    };
    store("DATA SKIP", keys.frameSkip);
    store("DATA SCALE", keys.subsample);
    store("X DATA SCALE", keys.xSubsample);
    store("Y DATA SCALE", keys.ySubsample);
    store("HORZ. PERIOD", keys.hPeriod);
    store("VERT. PERIOD", keys.vPeriod);
    store("PIXEL CLOCK", keys.pixelClock);
    store("PITCH MULT", keys.pitchMult);
    store("DATA INTERLACE", keys.interlace);
    store("DATA RESOLUTION", keys.resolution);
    store("MAX USER WIDTH", keys.width);
    store("MAX USER HEIGHT", keys.height);
    const double shutter = keys.ShutterMicroseconds();
    store("MAN SHUTTER US", shutter);
    store("MAN SHUTTER RAW", shutter);
    if (keys.startField != 0)
        store("START GRAB FIELD", keys.startField);
    store("TRIGGER LEVEL", keys.triggerLevel);
    store("TRIGGER SOURCE", keys.triggerSource);

    if (!camera.ReadModeSettings(path, section, id) && !anyStored) {
        SetLastError(9);
        return 0;
    }
    return 1;
}

int CVidrune::LoadInputDevices(const char* path) {
    const std::lock_guard control(controlMutex_);
    SetLastError(0);
    if (path == nullptr)
        return 0;
    ReadDeviceSection(path);

    for (int camera = 1; camera <= kMaxSectionNumber; ++camera) {
        const std::string section = SectionName("CAMERA", camera);
        auto device = std::make_unique<CAcqCameraDevice>(section.c_str(), NextInputDeviceId());
        if (!ReadCameraSection(path, section.c_str(), *device))
            break;
        for (int mode = 1; mode <= kMaxSectionNumber; ++mode) {
            const std::string modeSection = SectionName(section + "_MODE", mode);
            if (!ReadModeSection(path, modeSection.c_str(), *device))
                break;
        }
        if (device->GetNumInputModes() == 0)
            continue;
        // A refused camera is dropped and the next camera number is read.
        if (AddInputDevice(std::move(device)))
            CommitInputDeviceId();
    }
    // Cameras may have been read without a usable mode among them: that is no camera.
    if (GetNumInputDevices() == 0) {
        if (OwnLastError() == 0)
            SetLastError(23);
        return 0;
    }
    return 1;
}

int CVidrune::ReadDisplaySection(const char* path) {
    SwapDisplay(nullptr);
    if (Profile::GetInt(path, "EXTDISPLAY", "MPX", 0) != 0)
        return 1;
    const std::string title = Profile::GetString(path, "EXTDISPLAY", "DISPNAME", "", 260);
    SwapDisplay(CDispLive::Create());
    if (!display_)
        return 0;
    maxDisplayWidth_ = display_->GetParamInt(0);
    maxDisplayHeight_ = display_->GetParamInt(1);
    if (!title.empty())
        display_->SetParamString(title.c_str(), 9);
    SetNumeric("DISPLAY TYPE", 8);
    SetString("DISPLAY NAME", "Stravik-2 External");
    SetNumeric("MAX DISPLAY WIDTH", maxDisplayWidth_);
    SetNumeric("MAX DISPLAY HEIGHT", maxDisplayHeight_);
    return 0;
}

int CVidrune::ResolveConfigPath(const char* configPath) {
    using platform::FileSystem;
    std::string chosen;
    const char* text = nullptr;
    if (GetString("DFLT CFG FILE PATH", &text) && *text != '\0') {
        chosen = text;
    } else if (GetString("CFG FILE PATH", &text) && *text != '\0') {
        chosen = text;
    } else {
        const std::string folder =
            FileSystem::FolderOf(FileSystem::FolderOf(FileSystem::ExecutablePath()));
        for (const char* candidate : {"cfg", "config"}) {
            const std::string path = FileSystem::Join(folder, candidate);
            if (chosen.empty() && !folder.empty() && FileSystem::Exists(path))
                chosen = path;
        }
        // Users keep their control files beside the configuration.
        if (chosen.empty() && configPath != nullptr) {
            const std::string folderOfConfig = FileSystem::FolderOf(configPath);
            const std::string holder = folderOfConfig.empty() ? "." : folderOfConfig;
            if (FileSystem::KindOf(holder) == FileSystem::Kind::Directory)
                chosen = holder;
        }
    }
    if (chosen.empty())
        return 0;
    // Fixed now: the host may change its working folder before it opens (file dialogs do).
    chosen = FileSystem::Absolute(chosen);
    SetString("CONFIG FILE PATH", chosen.c_str());
    return 1;
}

std::string CVidrune::BuildControlFilePath(const char* attribute, const char* file) const {
    if (file == nullptr || *file == '\0')
        return {};
    const char* folder = nullptr;
    // An absolute file name needs no folder.
    if (platform::FileSystem::IsRooted(file) || !GetString(attribute, &folder) || *folder == '\0')
        return file;
    return platform::FileSystem::Join(folder, file);
}

} // namespace vidrune
