// The FgCore operations of the simulated Stravik-2 board.
#include "fgcore.h"

#include "Acquisition.h"
#include "Buffer.h"
#include "Camera.h"
#include "Library.h"
#include "Server.h"
#include "Transfer.h"
#include "Vic.h"

#include <cstring>

using vidrune::fgsim::Acquisition;
using vidrune::fgsim::Buffer;
using vidrune::fgsim::Camera;
using vidrune::fgsim::FrameDelivery;
using vidrune::fgsim::Library;
using vidrune::fgsim::Server;
using vidrune::fgsim::Transfer;
using vidrune::fgsim::TransferEntry;
using vidrune::fgsim::Vic;

namespace {

Library& Lib() {
    return Library::Instance();
}

// A failure that a test ordered for this call, or FG_OK.
FgStatus Injected(const char* operation) {
    return Lib().Faults().Take(operation);
}

template <class T>
std::shared_ptr<T> Find(FgHandle handle, FgObjectKind kind) {
    return Lib().Registry().Find<T>(handle, kind);
}

bool IsServer(FgHandle handle) {
    return Lib().Registry().IsLive(handle, FG_KIND_SERVER);
}

template <class T>
FgStatus NewObject(FgHandle localServer, FgHandle* out, const char* operation) {
    if (out == nullptr)
        return FG_ERR_PARAMETER;
    *out = 0;
    if (FgStatus status = Injected(operation))
        return status;
    if (!IsServer(localServer))
        return FG_ERR_INVALID_HANDLE;
    *out = Lib().Registry().Add(std::make_shared<T>());
    return FG_OK;
}

FgStatus FreeObject(FgHandle handle, FgObjectKind kind, const char* operation) {
    if (FgStatus status = Injected(operation))
        return status;
    return Lib().Registry().Remove(handle, kind) ? FG_OK : FG_ERR_INVALID_HANDLE;
}

template <class T>
FgStatus Load(FgHandle handle, FgObjectKind kind, const char* path, const char* operation) {
    if (FgStatus status = Injected(operation))
        return status;
    auto object = Find<T>(handle, kind);
    if (!object)
        return FG_ERR_INVALID_HANDLE;
    if (path == nullptr)
        return FG_ERR_PARAMETER;
    return object->Load(path);
}

template <class T>
FgStatus GetPrm(FgHandle handle, FgObjectKind kind, uint32_t parameter, uint32_t* value,
                const char* operation) {
    if (FgStatus status = Injected(operation))
        return status;
    auto object = Find<T>(handle, kind);
    if (!object)
        return FG_ERR_INVALID_HANDLE;
    if (value == nullptr)
        return FG_ERR_PARAMETER;
    return object->Get(parameter, *value);
}

template <class T>
FgStatus SetPrm(FgHandle handle, FgObjectKind kind, uint32_t parameter, uint32_t value,
                const char* operation) {
    if (FgStatus status = Injected(operation))
        return status;
    auto object = Find<T>(handle, kind);
    if (!object)
        return FG_ERR_INVALID_HANDLE;
    return object->Set(parameter, value);
}

// The transfer and its buffer entry for list operations.
FgStatus FindEntry(FgHandle transfer, FgHandle acquisition, FgHandle buffer,
                   std::shared_ptr<Transfer>& found, TransferEntry& entry) {
    found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    auto bufferObject = Find<Buffer>(buffer, FG_KIND_BUFFER);
    if (!found || !bufferObject || !Lib().Registry().IsLive(acquisition, FG_KIND_ACQUISITION))
        return FG_ERR_INVALID_HANDLE;
    entry.handle = buffer;
    entry.buffer = std::move(bufferObject);
    return FG_OK;
}

} // namespace

extern "C" {

FgHandle FgManGetLocalServer(void) {
    if (Injected("FgManGetLocalServer") != FG_OK)
        return 0;
    return Lib().LocalServer();
}

FgStatus FgManGetServerByName(const char* name, FgHandle* server) {
    if (server == nullptr)
        return FG_ERR_PARAMETER;
    *server = 0;
    if (FgStatus status = Injected("FgManGetServerByName"))
        return status;
    if (name == nullptr || std::strcmp(name, Server::kBoardName) != 0 || !Library::BoardPresent())
        return FG_ERR_NOT_FOUND;
    *server = Lib().Registry().Add(std::make_shared<Server>(true));
    return FG_OK;
}

FgStatus FgManReleaseServer(FgHandle server) {
    return FreeObject(server, FG_KIND_SERVER, "FgManReleaseServer");
}

FgStatus FgManSetTimeout(uint32_t milliseconds) {
    if (FgStatus status = Injected("FgManSetTimeout"))
        return status;
    Lib().SetTimeout(milliseconds);
    return FG_OK;
}

FgStatus FgAcqGetHandle(FgHandle server, uint32_t index, FgHandle* acquisition) {
    if (acquisition == nullptr)
        return FG_ERR_PARAMETER;
    *acquisition = 0;
    if (FgStatus status = Injected("FgAcqGetHandle"))
        return status;
    auto board = Find<Server>(server, FG_KIND_SERVER);
    if (!board)
        return FG_ERR_INVALID_HANDLE;
    if (!board->IsBoard() || index != 0)
        return FG_ERR_NOT_FOUND;
    *acquisition = Lib().Registry().Add(std::make_shared<Acquisition>());
    return FG_OK;
}

FgStatus FgAcqRelease(FgHandle acquisition) {
    const FgStatus status = FreeObject(acquisition, FG_KIND_ACQUISITION, "FgAcqRelease");
    if (status == FG_OK)
        Lib().DropBufferBudget(acquisition);
    return status;
}

FgStatus FgAcqGetPrms(FgHandle acquisition, FgHandle vic, FgHandle camera, uint32_t) {
    if (FgStatus status = Injected("FgAcqGetPrms"))
        return status;
    auto acq = Find<Acquisition>(acquisition, FG_KIND_ACQUISITION);
    auto vicObject = Find<Vic>(vic, FG_KIND_VIC);
    auto cameraObject = Find<Camera>(camera, FG_KIND_CAMERA);
    if (!acq || !vicObject || !cameraObject)
        return FG_ERR_INVALID_HANDLE;
    vicObject->Assign(acq->Vic());
    cameraObject->Assign(acq->Camera());
    return FG_OK;
}

FgStatus FgAcqSetPrms(FgHandle acquisition, FgHandle vic, FgHandle camera, uint32_t) {
    if (FgStatus status = Injected("FgAcqSetPrms"))
        return status;
    auto acq = Find<Acquisition>(acquisition, FG_KIND_ACQUISITION);
    auto vicObject = Find<Vic>(vic, FG_KIND_VIC);
    auto cameraObject = Find<Camera>(camera, FG_KIND_CAMERA);
    if (!acq || !vicObject || !cameraObject)
        return FG_ERR_INVALID_HANDLE;
    const auto cameraSettings = cameraObject->Current();
    acq->Program(cameraSettings, vicObject->Current());
    Lib().SetBufferBudget(acquisition, cameraSettings.FailBufferAfter());
    return FG_OK;
}

FgStatus FgAcqGetPrm(FgHandle acquisition, uint32_t parameter, uint32_t* value) {
    return GetPrm<Acquisition>(acquisition, FG_KIND_ACQUISITION, parameter, value, "FgAcqGetPrm");
}

FgStatus FgAcqSetPrm(FgHandle acquisition, uint32_t parameter, uint32_t value) {
    return SetPrm<Acquisition>(acquisition, FG_KIND_ACQUISITION, parameter, value, "FgAcqSetPrm");
}

FgStatus FgAcqGetCap(FgHandle acquisition, uint32_t capability, uint32_t* value) {
    if (FgStatus status = Injected("FgAcqGetCap"))
        return status;
    auto acq = Find<Acquisition>(acquisition, FG_KIND_ACQUISITION);
    if (!acq)
        return FG_ERR_INVALID_HANDLE;
    if (value == nullptr)
        return FG_ERR_PARAMETER;
    return acq->Capability(capability, *value);
}

FgStatus FgCamNew(FgHandle localServer, FgHandle* camera) {
    return NewObject<Camera>(localServer, camera, "FgCamNew");
}

FgStatus FgCamLoad(FgHandle camera, const char* path) {
    return Load<Camera>(camera, FG_KIND_CAMERA, path, "FgCamLoad");
}

FgStatus FgCamGetPrm(FgHandle camera, uint32_t parameter, uint32_t* value) {
    return GetPrm<Camera>(camera, FG_KIND_CAMERA, parameter, value, "FgCamGetPrm");
}

FgStatus FgCamSetPrm(FgHandle camera, uint32_t parameter, uint32_t value) {
    return SetPrm<Camera>(camera, FG_KIND_CAMERA, parameter, value, "FgCamSetPrm");
}

FgStatus FgCamFree(FgHandle camera) {
    return FreeObject(camera, FG_KIND_CAMERA, "FgCamFree");
}

FgStatus FgVicNew(FgHandle localServer, FgHandle* vic) {
    return NewObject<Vic>(localServer, vic, "FgVicNew");
}

FgStatus FgVicLoad(FgHandle vic, const char* path) {
    return Load<Vic>(vic, FG_KIND_VIC, path, "FgVicLoad");
}

FgStatus FgVicGetPrm(FgHandle vic, uint32_t parameter, uint32_t* value) {
    return GetPrm<Vic>(vic, FG_KIND_VIC, parameter, value, "FgVicGetPrm");
}

FgStatus FgVicSetPrm(FgHandle vic, uint32_t parameter, uint32_t value) {
    return SetPrm<Vic>(vic, FG_KIND_VIC, parameter, value, "FgVicSetPrm");
}

FgStatus FgVicFree(FgHandle vic) {
    return FreeObject(vic, FG_KIND_VIC, "FgVicFree");
}

FgStatus FgBufferNew(FgHandle localServer, uint32_t width, uint32_t height, uint32_t format,
                     uint32_t type, FgHandle* buffer) {
    if (buffer == nullptr)
        return FG_ERR_PARAMETER;
    *buffer = 0;
    if (FgStatus status = Injected("FgBufferNew"))
        return status;
    if (!IsServer(localServer))
        return FG_ERR_INVALID_HANDLE;
    FgStatus status = FG_OK;
    auto created = Buffer::Create(width, height, format, type, status);
    if (!created)
        return status;
    if (!Lib().TakeBuffer())
        return FG_ERR_NO_MEMORY;
    *buffer = Lib().Registry().Add(std::move(created));
    return FG_OK;
}

FgStatus FgBufferGetPrm(FgHandle buffer, uint32_t parameter, void* value) {
    if (FgStatus status = Injected("FgBufferGetPrm"))
        return status;
    auto found = Find<Buffer>(buffer, FG_KIND_BUFFER);
    if (!found)
        return FG_ERR_INVALID_HANDLE;
    if (value == nullptr)
        return FG_ERR_PARAMETER;
    if (parameter == FG_BUFFER_PRM_ADDRESS) {
        const auto address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(found->Data()));
        std::memcpy(value, &address, sizeof address);
        return FG_OK;
    }
    if (parameter == FG_BUFFER_PRM_TIMESTAMP) {
        const uint32_t stamp = found->TimeStamp();
        std::memcpy(value, &stamp, sizeof stamp);
        return FG_OK;
    }
    return FG_ERR_PARAMETER;
}

FgStatus FgBufferFree(FgHandle buffer) {
    return FreeObject(buffer, FG_KIND_BUFFER, "FgBufferFree");
}

FgStatus FgXferNew(FgHandle server, FgHandle acquisition, FgHandle firstBuffer, const void*,
                   FgHandle* transfer) {
    if (transfer == nullptr)
        return FG_ERR_PARAMETER;
    *transfer = 0;
    if (FgStatus status = Injected("FgXferNew"))
        return status;
    auto board = Find<Server>(server, FG_KIND_SERVER);
    auto acq = Find<Acquisition>(acquisition, FG_KIND_ACQUISITION);
    auto buffer = Find<Buffer>(firstBuffer, FG_KIND_BUFFER);
    if (!board || !board->IsBoard() || !acq || !buffer)
        return FG_ERR_INVALID_HANDLE;
    TransferEntry first{firstBuffer, std::move(buffer), nullptr, nullptr};
    *transfer =
        Lib().Registry().Add(std::make_shared<Transfer>(std::move(acq), Lib().Clock(), first));
    return FG_OK;
}

FgStatus FgXferAppend(FgHandle transfer, FgHandle acquisition, FgHandle buffer, uint32_t) {
    if (FgStatus status = Injected("FgXferAppend"))
        return status;
    std::shared_ptr<Transfer> found;
    TransferEntry entry;
    if (FgStatus status = FindEntry(transfer, acquisition, buffer, found, entry))
        return status;
    return found->Append(std::move(entry));
}

FgStatus FgXferSelect(FgHandle transfer, FgHandle acquisition, FgHandle buffer, uint32_t) {
    if (FgStatus status = Injected("FgXferSelect"))
        return status;
    std::shared_ptr<Transfer> found;
    TransferEntry entry;
    if (FgStatus status = FindEntry(transfer, acquisition, buffer, found, entry))
        return status;
    return found->Select(buffer);
}

FgStatus FgXferRegisterCallback(FgHandle transfer, uint32_t eventType, FgCallbackProc procedure,
                                void* context) {
    if (FgStatus status = Injected("FgXferRegisterCallback"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    if (!found)
        return FG_ERR_INVALID_HANDLE;
    return found->RegisterCallback(eventType, procedure, context);
}

FgStatus FgXferConnect(FgHandle transfer) {
    if (FgStatus status = Injected("FgXferConnect"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    return found ? found->Connect() : FG_ERR_INVALID_HANDLE;
}

FgStatus FgXferSetPrm(FgHandle transfer, uint32_t parameter, uint32_t value) {
    if (FgStatus status = Injected("FgXferSetPrm"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    return found ? found->SetPrm(parameter, value) : FG_ERR_INVALID_HANDLE;
}

FgStatus FgXferStart(FgHandle transfer, uint32_t count) {
    if (FgStatus status = Injected("FgXferStart"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    return found ? found->Start(count) : FG_ERR_INVALID_HANDLE;
}

FgStatus FgXferAbort(FgHandle transfer) {
    if (FgStatus status = Injected("FgXferAbort"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    return found ? found->Abort() : FG_ERR_INVALID_HANDLE;
}

FgStatus FgXferDisconnect(FgHandle transfer) {
    if (FgStatus status = Injected("FgXferDisconnect"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    return found ? found->Disconnect() : FG_ERR_INVALID_HANDLE;
}

FgStatus FgXferFree(FgHandle transfer) {
    if (FgStatus status = Injected("FgXferFree"))
        return status;
    auto found = Find<Transfer>(transfer, FG_KIND_TRANSFER);
    if (!found)
        return FG_ERR_INVALID_HANDLE;
    if (FrameDelivery::OnDeliveryThreadOf(found.get()))
        return FG_ERR_BUSY;
    // Stopped here, on the caller's thread, so that no callback outlives the call.
    found->Abort();
    Lib().Registry().Remove(transfer, FG_KIND_TRANSFER);
    return FG_OK;
}

int32_t FgIsLiveHandle(FgHandle handle, FgObjectKind kind) {
    return Lib().Registry().IsLive(handle, kind) ? 1 : 0;
}

} // extern "C"
