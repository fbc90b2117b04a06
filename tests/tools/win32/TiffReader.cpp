// ReadTiff through the Windows imaging component's TIFF decoder.
#include "tools/TiffReader.h"

#include "platform/win32/WindowsHeaders.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <filesystem>
#include <utility>

namespace vidrune::test {

using Microsoft::WRL::ComPtr;

Image ReadTiff(const std::string& path) {
    // COM stays initialised on the calling thread: each read makes and releases its own objects.
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    GUID container{};
    WICPixelFormatGUID format{};
    UINT width = 0;
    UINT height = 0;
    const std::wstring file = std::filesystem::path(path).wstring();
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(decoder->GetContainerFormat(&container)) ||
        !IsEqualGUID(container, GUID_ContainerFormatTiff) ||
        FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&format)))
        return {};
    const bool deep = IsEqualGUID(format, GUID_WICPixelFormat16bppGray);
    if (!deep && !IsEqualGUID(format, GUID_WICPixelFormat8bppGray) &&
        !IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed))
        return {};
    const UINT stride = width * (deep ? 2 : 1);
    std::vector<uint8_t> bytes(static_cast<size_t>(stride) * height);
    if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(bytes.size()), bytes.data())))
        return {};
    return Image{width, height, deep ? 16u : 8u, std::move(bytes)};
}

} // namespace vidrune::test
