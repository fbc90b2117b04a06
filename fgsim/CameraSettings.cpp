#include "CameraSettings.h"

#include "ImageSource.h"
#include "PatternSource.h"
#include "PgmReader.h"
#include "SettingsFile.h"
#include "platform/Profile.h"

#include <algorithm>
#include <filesystem>

namespace vidrune::fgsim {

namespace {

constexpr char kSection[] = "Camera";

bool IsPattern(const std::string& source) {
    std::string lower = source;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "pattern";
}

bool Optional(const SettingsFile& file, const std::string& key, std::optional<uint64_t>& value) {
    if (!file.Text(key)) {
        value.reset();
        return true;
    }
    uint64_t number = 0;
    if (!file.Unsigned(key, 0, 0, UINT64_MAX, number))
        return false;
    value = number;
    return true;
}

} // namespace

FgStatus CameraSettings::Load(const std::string& path) {
    // Its keys are read one by one; the file itself once.
    const platform::Profile::Batch readOnce;
    SettingsFile file(path, kSection);
    if (!file.HasSection())
        return FG_ERR_FILE;
    CameraSettings loaded;
    uint64_t depth = 0;
    uint64_t noSignal = 0;
    if (!file.Unsigned("PixelDepth", 8, kMinDepth, kMaxDepth, depth) ||
        !file.Rate("FrameRate", 30.0, loaded.frameRate_) ||
        !file.Rate("TriggerRate", loaded.frameRate_, loaded.triggerRate_) ||
        !file.NumberList("DropFrames", loaded.dropFrames_) ||
        !file.NumberList("BlankFrames", loaded.blankFrames_) ||
        !Optional(file, "StallAfter", loaded.stallAfter_) ||
        !Optional(file, "FailBufferAfter", loaded.failBufferAfter_) ||
        !file.Unsigned("NoSignal", 0, 0, 1, noSignal))
        return FG_ERR_FILE;
    loaded.pixelDepth_ = static_cast<uint32_t>(depth);
    loaded.noSignal_ = noSignal != 0;
    const std::string source = file.Text("Source").value_or("pattern");
    if (!IsPattern(source)) {
        auto images = std::make_shared<std::vector<SourceImage>>();
        if (!PgmReader::Read(ResolveBeside(path, source), *images))
            return FG_ERR_FILE;
        loaded.images_ = std::move(images);
    }
    *this = std::move(loaded);
    return FG_OK;
}

FgStatus CameraSettings::Get(uint32_t parameter, uint32_t& value) const {
    switch (parameter) {
    case FG_CAM_PRM_PIXEL_DEPTH:
        value = pixelDepth_;
        return FG_OK;
    case FG_CAM_PRM_START_FIELD:
        value = startField_;
        return FG_OK;
    default:
        return FG_ERR_PARAMETER;
    }
}

FgStatus CameraSettings::Set(uint32_t parameter, uint32_t value) {
    switch (parameter) {
    case FG_CAM_PRM_PIXEL_DEPTH:
        if (value < kMinDepth || value > kMaxDepth)
            return FG_ERR_PARAMETER;
        pixelDepth_ = value;
        return FG_OK;
    case FG_CAM_PRM_START_FIELD:
        startField_ = value;
        return FG_OK;
    default:
        return FG_ERR_PARAMETER;
    }
}

std::unique_ptr<FrameSource> CameraSettings::MakeSource() const {
    if (images_)
        return std::make_unique<ImageSource>(images_);
    return std::make_unique<PatternSource>(pixelDepth_);
}

std::string CameraSettings::ResolveBeside(const std::string& file, const std::string& relative) {
    const std::filesystem::path source(relative);
    if (source.is_absolute())
        return relative;
    return (std::filesystem::path(file).parent_path() / source).string();
}

} // namespace vidrune::fgsim
