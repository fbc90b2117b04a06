// TiffReader through the Windows imaging component's TIFF decoder.
#include "tools/TiffReader.h"

#include "platform/win32/WindowsHeaders.h"

#include <wincodec.h>

#include <cstring>

namespace vidrune::test {

namespace {

// Releases a COM interface when it goes.
template <typename Interface>
class Com {
public:
    Com() = default;
    ~Com() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Interface** Out() { return &pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

std::wstring Widen(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

Image Decode(IWICImagingFactory* factory, const std::string& path) {
    Image image;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFilename(Widen(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out())))
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
        Com<IWICImagingFactory> factory;
        if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(factory.Out()))))
            image = Decode(factory.operator->(), path);
    }
    if (SUCCEEDED(initialised))
        ::CoUninitialize();
    return image;
}

} // namespace vidrune::test
