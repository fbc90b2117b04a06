// Construction, the connection with the board and the library status bookkeeping.
#include "board/CVidrune.h"

#include "input/CAcqInputDeviceList.h"
#include "platform/Event.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/Thread.h"

#include <new>
#include <utility>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CVidrune, CAcqDevice)

namespace {

constexpr const char* kServerName = "Stravik-2_1";
constexpr uint32_t kLibraryTimeoutMs = 5000;
constexpr uint32_t kGrabThreadEndMs = 3000;

// Written when the device opens, removed when it closes.
constexpr const char* kOpenAttributes[] = {
    "MAX WIDTH",       "MAX HEIGHT",       "WIDTH",         "HEIGHT",         "MAX USER WIDTH",
    "MAX USER HEIGHT", "DATA RESOLUTION",  "DATA SIZE",     "DATA SKIP",      "DATA SCALE",
    "X DATA SCALE",    "Y DATA SCALE",     "DATA SET SIZE", "TRIGGER MODE",   "TRIGGER LEVEL",
    "TRIGGER SOURCE",  "START GRAB FIELD", "DISPLAY MODE",  "DATA INTERLACE", "INVERTXY",
    "ROTATEDATA",      "FLIPDATA",
};

// The latest library status of each thread (there is one device per process).
thread_local uint32_t tFgStatus = 0;
// The code this thread set last. A host call decides by it whether it failed: the shared
// last error may meanwhile have been set by a read refused on another host thread.
thread_local uint32_t tOwnError = 0;

// The camera file's extension becomes "cvi"; a '.' in a folder name is not an extension.
std::string VicPathFor(const std::string& cameraPath) {
    const size_t nameStart = platform::FileSystem::FolderOf(cameraPath).size();
    const size_t dot = cameraPath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return cameraPath;
    return cameraPath.substr(0, dot + 1) + "cvi";
}

} // namespace

CVidrune::CVidrune(const char* name)
    : CAcqDevice(name, 1), ring_(std::make_shared<GrabBufferRing>()) {
    // Read-only for hosts (the board's set refuses unlisted names): a host learns which
    // library it loaded without an export of its own for it.
    SetString("VERSION", VIDRUNE_VERSION_STRING);
}

CVidrune::~CVidrune() {
    // A host that unloads without freeing must not leave threads running on a dead object.
    if (startedFlag_)
        FreeDeviceResources();
    // Threads that did not end in time were detached by then and touch nothing of ours.
    if (FgIsLiveHandle(acquisition_, FG_KIND_ACQUISITION))
        FgAcqRelease(acquisition_);
    acquisition_ = 0;
    ReleaseServers();
}

uint32_t CVidrune::RecordFgStatus(uint32_t status) {
    tFgStatus = status;
    return status;
}

void CVidrune::SetLastError(uint32_t code) {
    tOwnError = code;
    CAcqDevice::SetLastError(code);
}

uint32_t CVidrune::OwnLastError() const {
    return tOwnError;
}

int CVidrune::TakeFgError() {
    if (tFgStatus == 0)
        return 0;
    tFgStatus = 0;
    return 1;
}

int CVidrune::IsValid() const {
    return CAcqDevice::IsValid() ? static_cast<int>(startedFlag_.load()) : 0;
}

void CVidrune::SetDisplay(std::unique_ptr<CDispLive> display) {
    SwapDisplay(std::move(display));
}

std::unique_ptr<CDispLive> CVidrune::SwapDisplay(std::unique_ptr<CDispLive> display) {
    const std::lock_guard lock(displayMutex_);
    return std::exchange(display_, std::move(display));
}

void CVidrune::ConnectServers() {
    // A repeated initialisation gives back the handles of the earlier one first, unless an
    // open device still uses them.
    if (GetOpenFlag() && boardServer_ != 0)
        return;
    if (FgIsLiveHandle(acquisition_, FG_KIND_ACQUISITION))
        RecordFgStatus(FgAcqRelease(acquisition_));
    acquisition_ = 0;
    ReleaseServers();

    localServer_ = FgManGetLocalServer();
    bool failed = RecordFgStatus(FgManGetServerByName(kServerName, &boardServer_)) != 0;
    failed |= RecordFgStatus(FgAcqGetHandle(boardServer_, 0, &acquisition_)) != 0;
    if (failed)
        RecordFgStatus(FG_ERR_NOT_FOUND); // either failure counts, not only the last
}

void CVidrune::ReleaseServers() {
    if (FgIsLiveHandle(boardServer_, FG_KIND_SERVER))
        RecordFgStatus(FgManReleaseServer(boardServer_));
    if (FgIsLiveHandle(localServer_, FG_KIND_SERVER))
        RecordFgStatus(FgManReleaseServer(localServer_));
    boardServer_ = 0;
    localServer_ = 0;
}

bool CVidrune::CreateEvents() {
    std::shared_ptr<platform::Event>* events[] = {
        &doneEvent_, &startedEvent_,  &exitEvent_,       &idleEvent_,
        &goEvent_,   &liveStopEvent_, &liveStartedEvent_};
    for (auto* event : events) {
        event->reset(new (std::nothrow) platform::Event(platform::Event::Mode::ManualReset));
        if (!*event) {
            SetLastError(15);
            return false;
        }
    }
    return true;
}

void CVidrune::CloseEvents() {
    doneEvent_.reset();
    startedEvent_.reset();
    exitEvent_.reset();
    idleEvent_.reset();
    goEvent_.reset();
    liveStopEvent_.reset();
    liveStartedEvent_.reset();
}

void CVidrune::StartGrabThread() {
    grabLink_ = std::make_shared<ThreadLink>();
    GrabEvents events{goEvent_, exitEvent_, idleEvent_, startedEvent_, doneEvent_};
    grabThread_ = std::make_unique<platform::Thread>(
        [this, link = grabLink_, events] { GrabThreadProc(*link, events); });
    // Without the thread the device stays not started, and the initialisation fails.
    if (!grabThread_->Started()) {
        grabThread_.reset();
        return;
    }
    startedFlag_ = 1;
    idleEvent_->Set();
}

bool CVidrune::EndGrabThread() {
    if (!grabThread_)
        return true;
    exitEvent_->Set();
    doneEvent_->Set(); // an acquisition under way ends now, not at its own time-out
    goEvent_->Set();
    const bool ended = grabThread_->Join(kGrabThreadEndMs);
    if (!ended)
        grabLink_->Detach(); // held up in the library: it runs on without us
    grabThread_.reset();
    return ended;
}

bool CVidrune::StopThreads() {
    // The flags a host can set through the device table do not tell whether threads run.
    bool ended = true;
    if (liveThread_) {
        liveStopEvent_->Set();
        ended = liveThread_->Join(kGrabThreadEndMs);
        if (!ended)
            liveLink_->Detach();
        liveThread_.reset();
    }
    ended = EndGrabThread() && ended;
    // Ended or detached, no thread of ours acquires any more: a stop that failed is moot.
    acquisitionState_ = kIdle;
    return ended;
}

int CVidrune::InitializeDevice(const char* path) {
    const std::lock_guard control(controlMutex_);
    SetLastError(0);
    // Initialised already: the cameras, the control-file folder and the board handles of
    // the first initialisation stay, whatever file this call names.
    if (GetInitFlag()) {
        AcquireStop();
        return 1;
    }
    if (!ResolveConfigPath(path)) {
        SetLastError(7);
        return 0;
    }
    ConnectServers();
    // Without the local server no buffer can be made: such a device would never open.
    if (TakeFgError() || boardServer_ == 0 || localServer_ == 0) {
        SetLastError(7);
        return 0;
    }
    RecordFgStatus(FgManSetTimeout(kLibraryTimeoutMs));
    // Some hundred keys: the file is read once for all of them.
    const platform::Profile::Batch readOnce;
    // A device freed and initialised again reads its cameras afresh.
    ResetInputDevices();
    if (!LoadInputDevices(path))
        return 0;

    grabBufferCount_ = static_cast<int32_t>(NumericOr("GRAB DATA BUFFERS", 4.0));
    ClearGrabBufferRing();
    if (!grabThread_ && CreateEvents())
        StartGrabThread();

    ReadDisplaySection(path);
    if (!startedFlag_)
        SetLastError(7);
    if (OwnLastError() != 0)
        return 0;
    SetInitFlag(1);
    return 1;
}

uint32_t CVidrune::OpenDevice() {
    const std::lock_guard control(controlMutex_);
    SetLastError(0);
    // Each refusal returns its code: 0 would tell the host the device is open. An open
    // before InitializeDevice is the host's mistake (22), whatever else is missing.
    const uint32_t refusal = !GetInitFlag() ? 22 : !startedFlag_ ? 7 : GetOpenFlag() ? 1 : 0;
    if (refusal != 0) {
        SetLastError(refusal);
        return refusal;
    }
    // Only an open that goes ahead forgets the rate: a refused one leaves the open device
    // timing its acquisitions as before.
    frameRate_ = -1.0;
    const uint32_t cameraResult = CAcqDevice::OpenDevice();
    if (cameraResult != 0) {
        SetLastError(cameraResult);
        return cameraResult;
    }

    const uint32_t failure = OpenBoardAndBuffers();
    if (failure != 0) {
        CloseDevice();
        // The camera was opened above; a failed open leaves it closed again.
        CAcqDevice::CloseDevice();
        FreeBoardObjects();
        SetLastError(failure);
        return failure;
    }
    if (display_) {
        display_->SetParamInt(static_cast<int32_t>(GetRotationFlag()), 6);
        display_->SetParamInt(DisplayDepth(), 8);
        frameDesc_.frameWidth = static_cast<uint32_t>(frameWidth_.load());
        frameDesc_.frameHeight = static_cast<uint32_t>(frameHeight_.load());
        frameDesc_.device = this;
        display_->Open(frameDesc_);
    }
    SetReadyFlag(1);
    return 0;
}

uint32_t CVidrune::OpenBoardAndBuffers() {
    const char* controlFile = nullptr;
    AcqInputModeQuery("CONTROL FILE", &controlFile, 0);
    const std::string path = BuildControlFilePath("CONFIG FILE PATH", controlFile);
    AcqInputModeQuery("DATA RATE", &frameRate_, 0);
    if (path.empty() || platform::FileSystem::KindOf(path) != platform::FileSystem::Kind::File)
        return 23;

    // Each load is checked: a failed camera file must not hide behind a loaded VIC file.
    bool failed = RecordFgStatus(FgCamNew(localServer_, &camera_)) != 0;
    failed |= RecordFgStatus(FgVicNew(localServer_, &vic_)) != 0;
    failed |= RecordFgStatus(FgAcqGetPrms(acquisition_, vic_, camera_, 1)) != 0;
    failed |= RecordFgStatus(FgCamLoad(camera_, path.c_str())) != 0;
    failed |= RecordFgStatus(FgVicLoad(vic_, VicPathFor(path).c_str())) != 0;
    if (TakeFgError() || failed)
        return 1;
    SetOpenFlag(1);
    // A refused setting or buffer has set its own code; the board refusing its settings
    // without one means the files do not suit it.
    if (!ReadBoardSettings())
        return OwnLastError() != 0 ? OwnLastError() : 1;
    if (!RebuildBuffers())
        return OwnLastError() != 0 ? OwnLastError() : 9;
    ResetGrabBufferRing();
    xScaleOpen_ = xScale_.load();
    yScaleOpen_ = yScale_.load();
    PublishGeometry();
    return 0;
}

void CVidrune::FreeBoardObjects() {
    if (FgIsLiveHandle(vic_, FG_KIND_VIC))
        FgVicFree(vic_);
    if (FgIsLiveHandle(camera_, FG_KIND_CAMERA))
        FgCamFree(camera_);
    vic_ = 0;
    camera_ = 0;
}

uint32_t CVidrune::CloseDevice() {
    const std::lock_guard control(controlMutex_);
    if (!startedFlag_)
        return 7;
    SetLastError(0);
    if (!GetOpenFlag())
        return 0;
    if (GetReadyFlag()) {
        if (!AcquireStop())
            return OwnLastError();
        if (display_)
            display_->Close();
        SetReadyFlag(0);
        CAcqDevice::CloseDevice();
    }
    // Also after an open that failed half-way: nothing built for it may stay behind.
    FreeTransfer();
    ReleaseGrabBuffers();
    for (const char* name : kOpenAttributes)
        RemoveAttribute(name);
    FreeBoardObjects();
    SetOpenFlag(0);
    return TakeFgError() ? OwnLastError() : 0;
}

void CVidrune::ReleaseDisplay() {
    SwapDisplay(nullptr);
    frameDesc_ = DisplayFrameDesc{};
    RemoveAttribute("DISPLAY TYPE");
    RemoveAttribute("DISPLAY NAME");
    RemoveAttribute("MAX DISPLAY WIDTH");
    RemoveAttribute("MAX DISPLAY HEIGHT");
}

int CVidrune::FreeDeviceResources() {
    const std::lock_guard control(controlMutex_);
    CloseDevice();
    // Whatever CloseDevice left running (it trusts the flags) ends before anything it uses
    // goes; a thread that does not end in time is detached and keeps its events and ring.
    StopThreads();
    // A close that failed because its stop did can finish now.
    CloseDevice();
    FreeTransfer();
    ReleaseDisplay();
    ReleaseGrabBuffers();
    CloseEvents();
    if (FgIsLiveHandle(acquisition_, FG_KIND_ACQUISITION))
        RecordFgStatus(FgAcqRelease(acquisition_));
    acquisition_ = 0;
    ReleaseServers();
    startedFlag_ = 0;
    RemoveAttribute("CFG FILE PATH");
    // The device can be initialised again from scratch.
    SetInitFlag(0);
    return 0;
}

} // namespace vidrune
