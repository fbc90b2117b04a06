// The board's attributes: geometry and depth read at open, the settings programmed into
// the board, the host's attribute sets and the choice of camera and mode.
#include "board/CVidrune.h"
#include "platform/Diagnostics.h"
#include "platform/Event.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

namespace vidrune {

namespace {

constexpr uint32_t kIdleBeforeSetMs = 3000;
constexpr uint32_t kTriggerLevelHigh = 8;
constexpr uint32_t kTriggerLevelLow = 4;

// Keeping one frame in more would make the transfer list and the waits for one frame grow
// without use; 1000 is over half a minute between kept frames at 30 fps.
constexpr double kMaxFrameSkip = 1000.0;

// The attributes a host may set that hold numbers; the others are text, read-only or
// unknown.
constexpr const char* kNumericSettings[] = {
    "DATA SKIP", "DATA SCALE",  "X DATA SCALE", "Y DATA SCALE",  "WIDTH",
    "HEIGHT",    "MAN SHUTTER", "TRIGGER MODE", "TRIGGER LEVEL",
};

bool IsScale(double value) {
    return value == 1.0 || value == 2.0 || value == 4.0;
}

bool IsNumericSetting(const char* name) {
    return std::any_of(std::begin(kNumericSettings), std::end(kNumericSettings),
                       [name](const char* setting) { return std::strcmp(name, setting) == 0; });
}

// Why an open fails with 12, for whoever reads the debugger output.
void ReportUnusableModeValue(const char* attribute, const char* allowed) {
    platform::Diagnostics::DebugText(std::string("OpenDevice: the mode's \"") + attribute +
                                     "\" must be " + allowed + "\n");
}

bool Is(const char* name, const char* wanted) {
    return std::strcmp(name, wanted) == 0;
}

} // namespace

double CVidrune::NumericOr(const char* name, double fallback) const {
    double value = fallback;
    return GetNumeric(name, &value) ? value : fallback;
}

double CVidrune::ModeNumericOr(const char* name, double fallback) {
    double value = fallback;
    return AcqInputModeQuery(name, &value, 0) ? value : fallback;
}

bool CVidrune::IsUnchanged(const char* name, double value) const {
    double current = 0;
    return GetNumeric(name, &current) && current == value;
}

bool CVidrune::SettingsInForce() const {
    const std::shared_ptr<const FrameGeometry> geometry = Geometry();
    return boardSettingsApplied_ && transfer_ != 0 && geometry &&
           geometry->rowWidth == static_cast<uint32_t>(NumericOr("WIDTH", 0)) &&
           geometry->rowCount == static_cast<uint32_t>(NumericOr("HEIGHT", 0));
}

int32_t CVidrune::DisplayDepth() const {
    const uint32_t bytes = bytesPerPixel_;
    if (pixelDepth_ >= 1 && (pixelDepth_ + 7) / 8 == bytes)
        return static_cast<int32_t>(pixelDepth_);
    return static_cast<int32_t>(8 * bytes);
}

int CVidrune::ReadBoardSettings() {
    if (!GetOpenFlag()) {
        SetLastError(6);
        return 0;
    }
    SetNumeric("DISPLAY MODE", 1);

    struct Axis {
        uint32_t vicMaximum;
        const char* userMaximum;
        const char* maximum;
        const char* size;
    };
    const Axis axes[] = {
        {FG_VIC_PRM_MAX_WIDTH, "MAX USER WIDTH", "MAX WIDTH", "WIDTH"},
        {FG_VIC_PRM_MAX_HEIGHT, "MAX USER HEIGHT", "MAX HEIGHT", "HEIGHT"},
    };
    for (const Axis& axis : axes) {
        uint32_t maximum = 0;
        RecordFgStatus(FgVicGetPrm(vic_, axis.vicMaximum, &maximum));
        double user = 0;
        if (!AcqInputModeQuery(axis.userMaximum, &user, 0) || std::trunc(user) > maximum ||
            user < 1)
            user = maximum;
        SetNumeric(axis.maximum, maximum);
        SetNumeric(axis.userMaximum, user);
        SetNumeric(axis.size, user);
    }

    // A skip below 1 keeps every frame, as the transfer list counts it.
    const double skip = ModeNumericOr("DATA SKIP", 1.0);
    if (!(skip <= kMaxFrameSkip)) {
        ReportUnusableModeValue("DATA SKIP", "at most 1000");
        SetLastError(12);
        return 0;
    }
    frameSkip_ = skip;
    SetNumeric("DATA SKIP", frameSkip_);
    for (const char* scale : {"DATA SCALE", "X DATA SCALE", "Y DATA SCALE"})
        SetNumeric(scale, ModeNumericOr(scale, 1.0));
    SetNumeric("DATA INTERLACE", ModeNumericOr("DATA INTERLACE", 0.0));

    RecordFgStatus(FgVicGetPrm(vic_, FG_VIC_PRM_PIXEL_FORMAT, &pixelFormat_));
    bytesPerPixel_ = (((pixelFormat_ >> 8) & 0xFFu) + 7) / 8;
    RecordFgStatus(FgCamGetPrm(camera_, FG_CAM_PRM_PIXEL_DEPTH, &pixelDepth_));

    SetNumeric("DATA SIZE", bytesPerPixel_);
    SetNumeric("DATA RESOLUTION", pixelDepth_);
    SetNumeric("TRIGGER MODE", 1);
    SetNumeric("TRIGGER LEVEL", ModeNumericOr("TRIGGER LEVEL", 2.0));
    SetNumeric("TRIGGER SOURCE", ModeNumericOr("TRIGGER SOURCE", 3.0));
    double startField = 0;
    if (AcqInputModeQuery("START GRAB FIELD", &startField, 0))
        SetNumeric("START GRAB FIELD", startField);
    for (const char* flag : {"ROTATEDATA", "FLIPDATA"}) {
        double value = 0;
        if (!AcqInputDeviceQuery(flag, &value, 0))
            value = 0;
        SetNumeric(flag, value);
    }
    if (TakeFgError())
        return 0;
    return ApplyBoardSettings();
}

int CVidrune::ApplyBoardSettings() {
    boardSettingsApplied_ = false;
    const double maxWidth = NumericOr("MAX WIDTH", 0);
    const double maxHeight = NumericOr("MAX HEIGHT", 0);
    const double width = NumericOr("WIDTH", 0);
    const double height = NumericOr("HEIGHT", 0);
    const double xScale = NumericOr("X DATA SCALE", 0);
    const double yScale = NumericOr("Y DATA SCALE", 0);
    const double startField = NumericOr("START GRAB FIELD", 0);
    SetRotationFlag(NumericOr("ROTATEDATA", 0) > 0 ? 1 : 0);
    flipFlag_ = NumericOr("FLIPDATA", 0) > 0 ? 1 : 0;

    // Only these reach the divisions below and the readers' sub-sampling, whichever way
    // the mode came by its values.
    for (const auto& [attribute, scale] :
         {std::pair{"X DATA SCALE", xScale}, {"Y DATA SCALE", yScale}}) {
        if (!IsScale(scale)) {
            ReportUnusableModeValue(attribute, "1, 2 or 4");
            SetLastError(12);
            return 0;
        }
    }
    yScale_ = static_cast<int32_t>(yScale);
    xScale_ = static_cast<int32_t>(xScale);
    height_ = static_cast<int32_t>(height);
    width_ = static_cast<int32_t>(width);
    frameWidth_ = width_ / xScale_;
    frameHeight_ = height_ / yScale_;

    // The crop window is centred on the sensor. Each setting is checked on its own.
    bool cropFailed = false;
    auto crop = [&](uint32_t parameter, double value) {
        cropFailed |=
            RecordFgStatus(FgVicSetPrm(vic_, parameter, static_cast<uint32_t>(value))) != 0;
    };
    crop(FG_VIC_PRM_CROP_LEFT, std::trunc((maxWidth - width) * 0.5));
    crop(FG_VIC_PRM_CROP_TOP, std::trunc((maxHeight - height) * 0.5));
    crop(FG_VIC_PRM_CROP_WIDTH, width);
    crop(FG_VIC_PRM_CROP_HEIGHT, height);
    TakeFgError();

    const double interlace = ModeNumericOr("DATA INTERLACE", 0.0);
    if (!cropFailed && interlace != 0 && (startField == 1 || startField == 2))
        RecordFgStatus(
            FgCamSetPrm(camera_, FG_CAM_PRM_START_FIELD, static_cast<uint32_t>(startField)));
    SetNumeric("DATA INTERLACE", interlace);

    uint32_t fieldCapability = 0;
    FgAcqGetCap(acquisition_, FG_ACQ_PRM_FIELD_CAP, &fieldCapability);
    if (fieldCapability == 0)
        FgVicSetPrm(vic_, FG_VIC_PRM_FIELD_MODE, 0);

    if (RecordFgStatus(FgAcqSetPrms(acquisition_, vic_, camera_, 1)) != 0)
        RecordFgStatus(FgAcqSetPrms(acquisition_, vic_, camera_, 1));
    const bool programFailed = TakeFgError() != 0;

    uint32_t kind = 0;
    RecordFgStatus(FgAcqGetCap(acquisition_, FG_ACQ_PRM_BOARD_KIND, &kind));
    if (kind == 1) {
        RecordFgStatus(FgAcqSetPrm(acquisition_, FG_ACQ_PRM_TIMING_A, 0));
        RecordFgStatus(FgAcqSetPrm(acquisition_, FG_ACQ_PRM_TIMING_B, 700000));
    }
    const bool timingFailed = TakeFgError() != 0;
    boardSettingsApplied_ = !cropFailed && !programFailed && !timingFailed;
    return boardSettingsApplied_ ? 1 : 0;
}

int CVidrune::RebuildBuffers() {
    SetLastError(0);
    if (!GetOpenFlag()) {
        SetLastError(6);
        return 0;
    }
    const double width = NumericOr("WIDTH", 0);
    const double height = NumericOr("HEIGHT", 0);
    if (NumericOr("X DATA SCALE", 0) <= 0 || NumericOr("Y DATA SCALE", 0) <= 0 ||
        bytesPerPixel_ == 0 || width <= 0 || height <= 0) {
        SetLastError(12);
        return 0;
    }

    const uint32_t wasReady = GetReadyFlag();
    SetReadyFlag(0);
    const bool built =
        BuildBuffersAndTransfer(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    // Also after a failure: an open device must still close its camera, and without buffers
    // or a transfer its reads and starts are refused anyway.
    SetReadyFlag(wasReady);
    return built ? 1 : 0;
}

bool CVidrune::BuildBuffersAndTransfer(uint32_t width, uint32_t height) {
    if (display_)
        display_->Quiesce();
    // The transfer goes before the buffers it points into.
    FreeTransfer();
    ReleaseGrabBuffers();
    if (!BuildGrabBuffers(width, height))
        return false;
    scratch_.SetBytesPerPixel(bytesPerPixel_);
    liveScratch_.SetBytesPerPixel(bytesPerPixel_);
    if ((GetRotationFlag() || flipFlag_) && scratch_.Alloc(width, height) != 0) {
        SetLastError(9);
        return false;
    }
    UpdateDataSetSize();
    if (!BuildTransfer()) {
        TakeFgError();
        SetLastError(9);
        return false;
    }
    PublishGeometry();
    return true;
}

int CVidrune::UpdateDataSetSize() {
    if (!GetOpenFlag()) {
        SetLastError(6);
        return 0;
    }
    const double width = NumericOr("WIDTH", 0);
    const double height = NumericOr("HEIGHT", 0);
    const double xScale = NumericOr("X DATA SCALE", 0);
    const double yScale = NumericOr("Y DATA SCALE", 0);
    if (width <= 0 || height <= 0 || xScale <= 0 || yScale <= 0) {
        SetLastError(12);
        return 0;
    }
    const double bytes = bytesPerPixel_;
    const double columns = std::trunc((width / xScale + 0.5) * bytes);
    const double rows = std::trunc((height / yScale + 0.5) * bytes);
    SetNumeric("DATA SET SIZE", columns * rows);
    return 1;
}

void CVidrune::SetDisplayModeAttr(int32_t mode) {
    if (mode < 1 || mode > 4)
        return;
    if (display_)
        display_->SetDisplayMode(mode);
    SetNumeric("DISPLAY MODE", mode);
}

void CVidrune::ForwardGraphicsCommand(GraphicsCommand& command) {
    if (command.type == 10)
        SetDisplayModeAttr(command.displayMode);
    else if (display_)
        display_->DrawGraphic(command);
}

bool CVidrune::StopContinuousForRebuild(bool& wasContinuous) {
    // The live thread's transfer still uses the buffers a rebuild replaces; so does one
    // whose stop failed before, until it ends.
    wasContinuous = acquisitionState_ == kContinuous;
    if (!wasContinuous && !(acquisitionState_ == kFault && liveThread_))
        return true;
    return AcquireStop() != 0;
}

void CVidrune::ReopenDisplay() {
    // The display reads whole frames at the scales it was opened with: a new frame size
    // means a new display image.
    xScaleOpen_ = xScale_.load();
    yScaleOpen_ = yScale_.load();
    PublishGeometry();
    if (!display_)
        return;
    display_->Close();
    frameDesc_.frameWidth = static_cast<uint32_t>(frameWidth_.load());
    frameDesc_.frameHeight = static_cast<uint32_t>(frameHeight_.load());
    display_->Open(frameDesc_);
    if (acquisitionState_ == kContinuous) {
        SetDisplayModeAttr(4);
        display_->ResumeUpdate(frameDesc_);
    }
}

int CVidrune::SetTriggerMode(double mode) {
    bool failed = false;
    auto set = [&](uint32_t parameter, uint32_t value) {
        failed |= RecordFgStatus(FgAcqSetPrm(acquisition_, parameter, value)) != 0;
    };
    if (mode == 1.0) {
        uint32_t current = 0;
        failed |= RecordFgStatus(FgAcqGetPrm(acquisition_, FG_ACQ_PRM_TRIGGER_MODE, &current)) != 0;
        if (current != 1)
            set(FG_ACQ_PRM_TRIGGER_MODE, 1);
    } else if (mode == 2.0 && GetNumeric("TRIGGER LEVEL", &mode)) {
        const uint32_t level =
            NumericOr("TRIGGER LEVEL", 2) == 1.0 ? kTriggerLevelHigh : kTriggerLevelLow;
        set(FG_ACQ_PRM_TRIGGER_SOURCE, 0);
        set(FG_ACQ_PRM_TRIGGER_DELAY, 30);
        set(FG_ACQ_PRM_TRIGGER_MODE, 8);
        set(FG_ACQ_PRM_TRIGGER_LEVEL, level);
    } else {
        return 0;
    }
    return TakeFgError() || failed ? 0 : 1;
}

int CVidrune::SetTriggerLevel(double level) {
    uint32_t code = 0;
    if (level == 1.0)
        code = kTriggerLevelHigh;
    else if (level == 2.0)
        code = kTriggerLevelLow;
    else
        return 0;
    RecordFgStatus(FgAcqSetPrm(acquisition_, FG_ACQ_PRM_TRIGGER_LEVEL, code));
    return TakeFgError() ? 0 : 1;
}

CVidrune::SetOutcome CVidrune::SetBoardAttribute(const char* name, double number) {
    using enum SetOutcome;
    if (Is(name, "DATA SKIP")) {
        if (IsUnchanged(name, number) && SettingsInForce())
            return Unchanged;
        if (number < 1.0 || number > kMaxFrameSkip)
            return Rejected;
        bool wasContinuous = false;
        if (!StopContinuousForRebuild(wasContinuous))
            return Failed;
        const double previous = frameSkip_;
        frameSkip_ = number;
        if (!BuildTransfer()) {
            // The stored skip stays in force; the device cannot grab until a set rebuilds.
            frameSkip_ = previous;
            TakeFgError();
            SetLastError(9);
            return Failed;
        }
        return RestartContinuous(wasContinuous) ? Store : Failed;
    }
    if (Is(name, "DATA SCALE")) {
        // The set always sets both scales: it is unchanged only when they agree with it.
        if (IsUnchanged(name, number) && IsUnchanged("X DATA SCALE", number) &&
            IsUnchanged("Y DATA SCALE", number) && SettingsInForce())
            return Unchanged;
        if (!IsScale(number))
            return Rejected;
        SetNumeric("X DATA SCALE", number);
        SetNumeric("Y DATA SCALE", number);
        return Apply;
    }
    if (Is(name, "X DATA SCALE") || Is(name, "Y DATA SCALE")) {
        if (IsUnchanged(name, number) && SettingsInForce())
            return Unchanged;
        // Both scales apply at once: reads after the set use the new sub-sampling.
        return IsScale(number) ? Apply : Rejected;
    }
    if (Is(name, "WIDTH") || Is(name, "HEIGHT")) {
        if (IsUnchanged(name, number) && SettingsInForce())
            return Unchanged;
        const double maximum =
            NumericOr(Is(name, "WIDTH") ? "MAX USER WIDTH" : "MAX USER HEIGHT", 0);
        return number >= 1 && number <= maximum ? Rebuild : Rejected;
    }
    if (Is(name, "MAN SHUTTER")) {
        if (IsUnchanged(name, number))
            return Unchanged;
        AcqInputDeviceSet("MAN SHUTTER", &number, 1);
        return Store;
    }
    if (Is(name, "TRIGGER MODE"))
        return SetTriggerMode(number) ? Store : Rejected;
    if (Is(name, "TRIGGER LEVEL"))
        return SetTriggerLevel(number) ? Store : Rejected;
    return Rejected;
}

int CVidrune::AcqDeviceSet(const char* name, void* value, int translate) {
    const std::lock_guard control(controlMutex_);
    if (!GetOpenFlag()) {
        SetLastError(6);
        return 0;
    }
    char translated[kNameBufferSize];
    if (name == nullptr || value == nullptr || std::strlen(name) >= kNameBufferSize) {
        SetLastError(12);
        return 0;
    }
    TranslateAttributeName(GetCurrentInputDevice(), name, translated, translate);
    if (!idleEvent_->Wait(kIdleBeforeSetMs)) {
        SetLastError(5);
        return 0;
    }
    if (Is(translated, "GRAPHICS COMMAND")) {
        ForwardGraphicsCommand(*static_cast<GraphicsCommand*>(value));
        return 1;
    }
    // Saving the shown image as the window's Save command does, for hosts and tools that
    // have no hand on the window; the value is the file's path.
    const bool withOverlay = Is(translated, "SAVE DISPLAY IMAGE WITH OVERLAY");
    if (withOverlay || Is(translated, "SAVE DISPLAY IMAGE")) {
        if (display_ && display_->SaveImage(static_cast<const char*>(value), withOverlay))
            return 1;
        SetLastError(12);
        return 0;
    }
    // Every other setting is a number. The value is read as one only for a name known to
    // hold one: a short text given for a text attribute must not be read past its end.
    if (!IsNumericSetting(translated)) {
        SetLastError(12);
        return 0;
    }
    double number = *static_cast<const double*>(value);
    const SetOutcome outcome =
        std::isfinite(number) ? SetBoardAttribute(translated, number) : SetOutcome::Rejected;
    if (outcome == SetOutcome::Rejected) {
        SetLastError(12);
        return 0;
    }
    if (outcome == SetOutcome::Failed)
        return 0;
    if (outcome == SetOutcome::Unchanged)
        return 1;
    bool wasContinuous = false;
    if (outcome == SetOutcome::Rebuild && !StopContinuousForRebuild(wasContinuous))
        return 0;
    CAcqDevice::AcqDeviceSet(translated, &number, 0);
    if (outcome == SetOutcome::Apply) {
        const bool applied = ApplyBoardSettings() != 0;
        // The readers sub-sample by the stored scales, also when the board refused its
        // settings: sizes and display follow them either way.
        UpdateDataSetSize();
        ReopenDisplay();
        return applied ? 1 : RefusedByBoard();
    }
    if (outcome == SetOutcome::Rebuild) {
        // A new width or height reaches the board and the buffers at once, as an open does.
        if (display_)
            display_->Close();
        if (!ApplyBoardSettings())
            return RefusedByBoard();
        if (!RebuildBuffers() || !ResetGrabBufferRing())
            return 0;
        ReopenDisplay();
        return RestartContinuous(wasContinuous);
    }
    return 1;
}

int CVidrune::RefusedByBoard() {
    // The value stays stored; the same set again applies it anew.
    SetLastError(12);
    return 0;
}

int CVidrune::SetCurrentInputDevice(uint32_t id) {
    // Not while an open on another thread reads the choice.
    const std::lock_guard control(controlMutex_);
    if (GetOpenFlag()) {
        SetLastError(1);
        return 0;
    }
    if (GetCurrentInputDevice() != 0 && GetCurrentInputDevice() == id)
        return 1;
    return CAcqDevice::SetCurrentInputDevice(id);
}

int CVidrune::SetCurrentInputMode(uint32_t modeId) {
    // Not while an open on another thread reads the choice.
    const std::lock_guard control(controlMutex_);
    if (GetOpenFlag()) {
        SetLastError(1);
        return 0;
    }
    if (GetCurrentInputMode() != 0 && GetCurrentInputMode() == modeId)
        return 1;
    return CAcqDevice::SetCurrentInputMode(modeId);
}

} // namespace vidrune
