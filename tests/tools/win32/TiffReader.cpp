// TiffReader through the Windows imaging component's TIFF decoder.
#include "tools/TiffReader.h"

#include "platform/win32/WindowsHeaders.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
#include <filesystem>

namespace vidrune::test {

namespace {

using Microsoft::WRL::ComPtr;

Image Decode(IWICImagingFactory* factory, const std::string& path) {
    Image image;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    const std::wstring file = std::filesystem::path(path).wstring();
    if (FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)))
        return image;
    GUID container{};
    WICPixelFormatGUID format{};
    UINT width = 0;
    UINT height = 0;
    if (FAILED(decoder->GetContainerFormat(&container)) ||
        !IsEqualGUID(container, GUID_ContainerFormatTiff) ||
        FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&format)))
        return image;
    const bool deep = IsEqualGUID(format, GUID_WICPixelFormat16bppGray);
    if (!deep && !IsEqualGUID(format, GUID_WICPixelFormat8bppGray) &&
        !IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed))
        return image;
    const UINT stride = width * (deep ? 2 : 1);
    std::vector<uint8_t> bytes(static_cast<size_t>(stride) * height);
    if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(bytes.size()), bytes.data())))
        return image;
    image.width = width;
    image.height = height;
    image.bits = deep ? 16 : 8;
    image.pixels.resize(size_t{width} * height);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint16_t value = bytes[i];
        if (deep)
            std::memcpy(&value, bytes.data() + 2 * i, 2);
        image.pixels[i] = value;
    }
    return image;
}

} // namespace

Image TiffReader::Read(const std::string& path) {
    const HRESULT initialised = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Image image;
    {
        ComPtr<IWICImagingFactory> factory;
        if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(&factory))))
            image = Decode(factory.Get(), path);
    }
    if (SUCCEEDED(initialised))
        ::CoUninitialize();
    return image;
}

} // namespace vidrune::test
