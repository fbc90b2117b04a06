// The live display's Win32 window on the simulated board: what a user sees and does.
#include "display/win32/Win32Window.h"

#include "board/CVidrune.h"
#include "display/CDispWin.h"
#include "display/ContrastSettings.h"
#include "display/Palette.h"
#include "display/PrintLayout.h"
#include "display/TiffWriter.h"
#include "display/win32/DispResourceIds.h"
#include "display/win32/Win32View.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/win32/WindowsHeaders.h"
#include "support/Environment.h"
#include "support/Requests.h"
#include "support/SimBoardFiles.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <winspool.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace vidrune::test {
namespace {

using platform::Clock;

constexpr const char* kTitle = "Live";
constexpr const char* kSection = "Mode65536_65792_65793";
// The white rectangle the live tests draw over the image.
constexpr RECT kOverlay{100, 50, 140, 80};

bool InOverlay(int x, int y) {
    const POINT point{x, y};
    return ::PtInRect(&kOverlay, point) != FALSE;
}

// Polls until the condition holds or a few seconds have passed.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 150; ++i) {
        if (condition())
            return true;
        Clock::Sleep(20);
    }
    return condition();
}

std::string TextOf(HWND hwnd) {
    char text[260] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

RECT ClientOf(HWND hwnd) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    return client;
}

UINT MenuState(HWND hwnd, UINT id) {
    return ::GetMenuState(::GetMenu(hwnd), id, MF_BYCOMMAND);
}

bool Grayed(HWND hwnd, UINT id) {
    return (MenuState(hwnd, id) & MF_GRAYED) != 0;
}

// The colour a palette entry shows as on a true-colour screen.
COLORREF Shown(const Palette& palette, uint8_t gray) {
    const PaletteEntry& entry = palette[palette.GrayToPalette()[gray]];
    return RGB(entry.red, entry.green, entry.blue);
}

// width x height pixels of a device context from (x, y), top row first, through a 32-bit DIB.
std::vector<RGBQUAD> Capture(HDC source, int x, int y, int width, int height) {
    HDC memory = ::CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, section);
    ::BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    std::vector<RGBQUAD> pixels(quads, quads + static_cast<size_t>(width) * height);
    ::SelectObject(memory, old);
    ::DeleteObject(section);
    ::DeleteDC(memory);
    return pixels;
}

// The window's client area as it is on the screen, read back through GDI, row by row.
std::vector<COLORREF> ReadBack(HWND hwnd, int width, int height) {
    HDC window = ::GetDC(hwnd);
    const std::vector<RGBQUAD> quads = Capture(window, 0, 0, width, height);
    ::ReleaseDC(hwnd, window);
    std::vector<COLORREF> pixels(quads.size());
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue);
    return pixels;
}

// How many pixels differ from what shown(x, y, n) gives for the camera frame n that the
// first pixel shows; width pixels a row.
int Mismatches(const std::vector<COLORREF>& screen, int width,
               const std::function<COLORREF(int, int, uint32_t)>& shown) {
    uint32_t frame = 0;
    while (frame < 255 && screen[0] != shown(0, 0, frame))
        ++frame;
    int wrong = 0;
    for (size_t i = 0; i < screen.size(); ++i)
        wrong += screen[i] == shown(static_cast<int>(i) % width, static_cast<int>(i) / width, frame)
                     ? 0
                     : 1;
    return wrong;
}

// The dialog a modal command opened over the window, once it is up.
HWND DialogOver(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    WaitFor([&] {
        ::EnumThreadWindows(
            ::GetWindowThreadProcessId(owner, nullptr),
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                if (::GetWindow(window, GW_OWNER) == s->owner && ::IsWindowVisible(window))
                    s->found = window;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

// A control anywhere below a dialog, extension templates included.
HWND ControlIn(HWND dialog, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (::GetDlgCtrlID(child) == s->id)
                s->found = child;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A PostScript printer, as Wine's own driver makes it from a PPD, that prints into a file
// (Wine takes a port it does not know for a file name); removed again when it goes.
class TestPrinter {
public:
    TestPrinter(const TempDir& dir, const std::string& output)
        : name_("Vidrune test " + std::filesystem::path(dir.Path()).filename().string()) {
        const std::string ppd = dir.Write("test.ppd", R"(*PPD-Adobe: "4.3"
*NickName: "Vidrune test printer"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*ImageableArea A4/A4: "18 36 577 806"
*PaperDimension A4/A4: "595 842"
)");
        DRIVER_INFO_3A driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<char*>("Wine PostScript Driver");
        driver.pEnvironment = const_cast<char*>("Windows x64");
        driver.pDriverPath = const_cast<char*>("wineps.drv");
        driver.pDataFile = const_cast<char*>(ppd.c_str());
        driver.pConfigFile = const_cast<char*>("wineps.drv");
        ::AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                              APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
        PRINTER_INFO_2A printer{};
        printer.pPrinterName = name_.data();
        printer.pPortName = const_cast<char*>(output.c_str());
        printer.pDriverName = driver.pName;
        printer.pPrintProcessor = const_cast<char*>("WinPrint");
        printer.pDatatype = const_cast<char*>("RAW");
        handle_ = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    }
    ~TestPrinter() {
        if (handle_ != nullptr) {
            ::DeletePrinter(handle_);
            ::ClosePrinter(handle_);
        }
    }
    TestPrinter(const TestPrinter&) = delete;
    TestPrinter& operator=(const TestPrinter&) = delete;

    const std::string& Name() const { return name_; }

private:
    std::string name_;
    HANDLE handle_ = nullptr;
};

// Saves the window as the screen shows it, frame and menu included, as a 32-bit BMP file.
void SaveScreenshot(HWND hwnd, const std::string& path) {
    RECT frame{};
    ::GetWindowRect(hwnd, &frame);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    HDC screen = ::GetDC(nullptr);
    const std::vector<RGBQUAD> pixels = Capture(screen, frame.left, frame.top, width, height);
    ::ReleaseDC(nullptr, screen);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    const auto imageBytes = static_cast<DWORD>(pixels.size() * sizeof(RGBQUAD));
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(pixels.data()), imageBytes);
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Environment::SetSettingsFolder(files.Dir().Path());
        Environment::Unset("VIDRUNE_DISPLAY");
    }

    // One camera "Cam" of width x height pixels with the given depth; the display is
    // titled "Live". extra: further sections.
    void Open(uint32_t width, uint32_t height, int depth = 8, const std::string& extra = "") {
        const SimCamera camera{.file = "cam" + std::to_string(depth) + ".cam",
                               .depth = depth,
                               .frameRate = 60,
                               .maxWidth = width,
                               .maxHeight = height,
                               .extra = ""};
        const std::string config =
            files.WriteSingle(camera, SimBoardFiles::ModeOf(camera), "",
                              extra + "[EXTDISPLAY]\nMPX=0\nDISPNAME=" + kTitle + "\n");
        ASSERT_EQ(device.InitializeDevice(config.c_str()), 1);
        ASSERT_EQ(device.SetCurrentInputDevice(device.GetInputDeviceId("Cam")), 1);
        ASSERT_EQ(device.OpenDevice(), 0u);
        display = dynamic_cast<CDispWin*>(device.Display());
        ASSERT_NE(display, nullptr);
        auto* view = dynamic_cast<Win32View*>(&display->View());
        ASSERT_NE(view, nullptr) << "the display did not choose the Win32 window";
        hwnd = view->WindowHandle();
        ASSERT_NE(hwnd, nullptr);
    }

    // What the user does to a window that starts minimized: restore it, at full size.
    void Restore() {
        ::ShowWindow(hwnd, SW_RESTORE);
        ::SendMessageA(hwnd, WM_COMMAND, IDM_ZOOM100, 0);
        ASSERT_TRUE(WaitFor([this] { return TextOf(hwnd) == std::string(kTitle) + "  (100%)"; }))
            << TextOf(hwnd);
    }

    void StartContinuous() {
        AcquireRequest request = Acquisition(VIDRUNE_ACQUIRE_CONTINUOUS);
        ASSERT_EQ(device.AcquireStart(&request), 1);
    }

    void Command(UINT id) { ::SendMessageA(hwnd, WM_COMMAND, id, 0); }

    // The 320 x 240 camera running, shown in full with the white rectangle over it.
    void ShowLiveWithOverlay() {
        Open(320, 240);
        Restore();
        // Wholly on the screen, where the screen can be read back (Wine's full-screen height
        // puts the lower right corner a little below the screen).
        ::SetWindowPos(hwnd, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        StartContinuous();
        GraphicsCommand command =
            Graphics(9, kOverlay.left, kOverlay.top, kOverlay.right - kOverlay.left,
                     kOverlay.bottom - kOverlay.top);
        ASSERT_EQ(device.AcqDeviceSet("GRAPHICS COMMAND", &command, 1), 1);
        Clock::Sleep(1000);
    }

    SimBoardFiles files;
    CVidrune device{"STRAVIK2 MONO"};
    CDispWin* display = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(Win32WindowTest, TheLibraryHoldsOnlyTheResourcesTheWindowNeeds) {
    const std::string path = platform::FileSystem::Join(
        platform::FileSystem::FolderOf(platform::FileSystem::ExecutablePath()),
        "DispResources.dll");
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (const int dialog : {IDD_SAVE_EXTENSION, IDD_PRINT, IDD_DISPLAY, IDD_CONTRAST})
        EXPECT_NE(::FindResourceA(module, MAKEINTRESOURCEA(dialog), RT_DIALOG), nullptr) << dialog;
    EXPECT_NE(::FindResourceA(module, MAKEINTRESOURCEA(IDI_DISPLAY), RT_GROUP_ICON), nullptr);
    ::FreeLibrary(module);

    // Loaded as a library it runs nothing: no entry point, no imports.
    module = ::LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr);
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u);
    HMENU menu = ::LoadMenuA(module, MAKEINTRESOURCEA(IDR_DISPLAY_MENU));
    ASSERT_NE(menu, nullptr);
    for (UINT id = IDM_ZOOM25; id <= IDM_CONTRAST; ++id)
        EXPECT_NE(::GetMenuState(menu, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;
    ::DestroyMenu(menu);
    ::FreeLibrary(module);
}

TEST_F(Win32WindowTest, TheWindowStartsMinimizedAndShowsItsZoomOnceRestored) {
    Open(320, 240);
    // One monitor and no saved place: minimized, titled without the zoom.
    EXPECT_TRUE(::IsIconic(hwnd));
    EXPECT_EQ(TextOf(hwnd), kTitle);
    EXPECT_NE(::SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    Restore();
    const RECT client = ClientOf(hwnd);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    // Save and print with an open camera; the contrast commands only for deeper pixels.
    EXPECT_FALSE(Grayed(hwnd, IDM_SAVE));
    EXPECT_FALSE(Grayed(hwnd, IDM_PRINT));
    EXPECT_TRUE(Grayed(hwnd, IDM_CONTRAST));
    EXPECT_TRUE(Grayed(hwnd, IDM_RESTART_LEVELS));
    Command(IDM_CONTRAST);
    EXPECT_EQ(::FindWindowA(nullptr, "Contrast"), nullptr);
    ASSERT_EQ(device.CloseDevice(), 0u);
    EXPECT_TRUE(Grayed(hwnd, IDM_SAVE));
    EXPECT_TRUE(Grayed(hwnd, IDM_PRINT));
}

TEST_F(Win32WindowTest, ZoomCommandsSizeTheClientAndFitTheScreen) {
    Open(640, 480);
    Restore();
    struct Zoom {
        UINT command;
        LONG width;
        const char* title;
    };
    for (const Zoom& zoom :
         {Zoom{IDM_ZOOM25, 160, "Live  ( 25%)"}, Zoom{IDM_ZOOM50, 320, "Live  ( 50%)"},
          Zoom{IDM_ZOOM75, 480, "Live  ( 75%)"}, Zoom{IDM_ZOOM150, 960, "Live  (150%)"},
          Zoom{IDM_ZOOM100, 640, "Live  (100%)"}}) {
        // The command word's high half (an accelerator's 1) does not matter.
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(zoom.command, 1), 0);
        const RECT client = ClientOf(hwnd);
        EXPECT_EQ(client.right, zoom.width) << zoom.title;
        EXPECT_EQ(client.bottom, zoom.width * 3 / 4) << zoom.title;
        EXPECT_EQ(TextOf(hwnd), zoom.title);
    }
    // 200 % of 640 pixels does not fit the 1280 pixel wide screen with the frame; how far the
    // zoom comes down is WindowGeometry's rule.
    Command(IDM_ZOOM200);
    RECT frame{};
    ::GetWindowRect(hwnd, &frame);
    const RECT client = ClientOf(hwnd);
    EXPECT_LE(frame.right - frame.left, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GT(client.right, 1200);

    // Commands without an effect change nothing.
    for (const UINT id : {UINT{IDM_NOTHING}, UINT{IDM_NOTHING_ELSE}, UINT{40016}, UINT{39999}}) {
        Command(id);
        EXPECT_EQ(ClientOf(hwnd).right, client.right) << id;
        EXPECT_FALSE(::IsIconic(hwnd)) << id;
    }
}

TEST_F(Win32WindowTest, ResizesKeepTheImagesProportionsAndTheImageDragsTheWindow) {
    Open(320, 240);
    Restore();
    ::SetWindowPos(hwnd, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // The rules are WindowGeometry's; here only that the window's resizes and drags go
    // through them.
    ::SetWindowPos(hwnd, nullptr, 0, 0, 501, 300, SWP_NOMOVE | SWP_NOZORDER);
    const RECT client = ClientOf(hwnd);
    EXPECT_EQ(client.right % 4, 0);
    EXPECT_EQ(client.bottom, (client.right * 3 + 2) / 4);
    RECT frame{};
    ::GetWindowRect(hwnd, &frame);
    RECT proposed{frame.left, frame.top, frame.right + 30, frame.bottom};
    ::SendMessageA(hwnd, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&proposed));
    EXPECT_EQ(proposed.right - proposed.left, frame.right - frame.left + 4);

    // The image drags the window along: pressed at (10, 10), moved to (30, 25).
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 25));
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 25));
    RECT moved{};
    ::GetWindowRect(hwnd, &moved);
    EXPECT_EQ(moved.left, frame.left + 20);
    EXPECT_EQ(moved.top, frame.top + 15);
}

TEST_F(Win32WindowTest, OnTopTogglesWithItsCheckMarkAndMinimizeCommandsMinimize) {
    Open(320, 240);
    Restore();
    for (const bool onTop : {false, true}) {
        Command(IDM_ONTOP);
        EXPECT_EQ((::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, onTop);
        EXPECT_EQ((MenuState(hwnd, IDM_ONTOP) & MF_CHECKED) != 0, onTop);
    }
    for (const UINT id : {UINT{IDM_MINIMIZE}, UINT{IDM_HIDE}}) {
        Command(id);
        EXPECT_TRUE(::IsIconic(hwnd)) << id;
        EXPECT_EQ(TextOf(hwnd), kTitle);
        Restore();
    }
    // Closing the window, or a double-click into it, only minimizes it.
    ::SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsIconic(hwnd));
    Restore();
    ::SendMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(::IsIconic(hwnd));
    EXPECT_TRUE(::IsWindow(hwnd));
}

TEST_F(Win32WindowTest, TheContrastDialogEditsTheSettingsOfDeeperFrames) {
    Open(320, 240, 12);
    ContrastSettings& contrast = display->WindowEvents().Contrast();
    contrast.gain = 2000;
    contrast.offset = 300;
    EXPECT_FALSE(Grayed(hwnd, IDM_CONTRAST));
    Command(IDM_CONTRAST);
    HWND dialog = ::FindWindowA(nullptr, "Contrast");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), hwnd);
    EXPECT_TRUE(Grayed(hwnd, IDM_CONTRAST));
    EXPECT_EQ(TextOf(::GetDlgItem(dialog, IDC_GAIN_EDIT)), "2000");
    EXPECT_EQ(TextOf(::GetDlgItem(dialog, IDC_OFFSET_EDIT)), "300");
    EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_GAIN_SLIDER, TBM_GETPOS, 0, 0), 200);
    EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_GAIN_SLIDER, TBM_GETRANGEMAX, 0, 0), 4096 / 10);

    // Typed numbers count once applied; text without a number keeps the setting.
    struct Typed {
        const char* gain;
        int32_t expected;
    };
    for (const Typed& typed : {Typed{"1500", 1500}, Typed{"abc", 1500}}) {
        ::SetDlgItemTextA(dialog, IDC_GAIN_EDIT, typed.gain);
        ::SendMessageA(dialog, WM_COMMAND, IDC_APPLY, 0);
        EXPECT_EQ(contrast.gain, typed.expected) << typed.gain;
        EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_GAIN_SLIDER, TBM_GETPOS, 0, 0), 150);
    }
    ::SendDlgItemMessageA(dialog, IDC_INVERT, BM_CLICK, 0, 0);
    EXPECT_EQ(contrast.invert, 1);
    contrast.autoLevelCountdown = 0;
    ::SendMessageA(dialog, WM_COMMAND, IDC_AUTOMATIC, 0);
    EXPECT_EQ(contrast.autoLevelCountdown, ContrastSettings::kRestartCountdown);
    contrast.autoLevelCountdown = 0;
    Command(IDM_RESTART_LEVELS);
    EXPECT_EQ(contrast.autoLevelCountdown, ContrastSettings::kRestartCountdown);
    // What automatic levels find shows in the open dialog.
    display->View().ShowContrast(1234, 56);
    EXPECT_TRUE(WaitFor([&] { return TextOf(::GetDlgItem(dialog, IDC_GAIN_EDIT)) == "1234"; }));
    EXPECT_EQ(TextOf(::GetDlgItem(dialog, IDC_OFFSET_EDIT)), "56");
    EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_GAIN_SLIDER, TBM_GETPOS, 0, 0), 123);

    ::SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    EXPECT_TRUE(WaitFor([&] { return !Grayed(hwnd, IDM_CONTRAST); }));
}

TEST_F(Win32WindowTest, ALiveAcquisitionShowsThePatternSaturationInRedAndTheOverlayWhite) {
    ShowLiveWithOverlay();
    const std::vector<COLORREF> screen = ReadBack(::GetDlgItem(hwnd, IDC_IMAGE), 320, 240);
    // For the README: scripts/screenshot-windows.sh.
    if (const char* shot = std::getenv("VIDRUNE_SCREENSHOT"))
        SaveScreenshot(hwnd, shot);
    ASSERT_EQ(device.AcquireStop(), 1);
    // The frame shown is one of the camera's, every pixel through the palette.
    const Palette palette;
    EXPECT_EQ(Mismatches(screen, 320,
                         [&](int x, int y, uint32_t n) {
                             return InOverlay(x, y) ? RGB(255, 255, 255)
                                                    : Shown(palette, Pattern8(x, y, n));
                         }),
              0);
    EXPECT_EQ(Shown(palette, 255), RGB(240, 0, 0));
}

TEST_F(Win32WindowTest, BelowFullSizeEveryOtherPixelIsShownOneToOne) {
    Open(320, 240);
    Restore();
    ::SetWindowPos(hwnd, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Command(IDM_ZOOM50);
    StartContinuous();
    Clock::Sleep(500);
    const std::vector<COLORREF> screen = ReadBack(::GetDlgItem(hwnd, IDC_IMAGE), 160, 120);
    ASSERT_EQ(device.AcquireStop(), 1);
    // Rows and columns 1, 3, 5, ... of a camera frame, through the palette.
    const Palette palette;
    EXPECT_EQ(Mismatches(screen, 160,
                         [&](int x, int y, uint32_t n) {
                             return Shown(palette, Pattern8(2 * x + 1, 2 * y + 1, n));
                         }),
              0);
}

TEST_F(Win32WindowTest, MessagesTheWindowLeavesAlonePassToTheHostThread) {
    MSG message;
    // The thread needs a message queue before anything can be posted to it.
    ::PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    Open(320, 240);
    constexpr UINT kHostMessage = WM_APP + 42;
    constexpr UINT kMarker = WM_APP + 43;
    ::PostMessageA(hwnd, kHostMessage, 7, 9);
    ::PostMessageA(hwnd, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ::PostMessageA(hwnd, kMarker, 0, 0);
    std::vector<MSG> received;
    ASSERT_TRUE(WaitFor([&] {
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            received.push_back(message);
        return !received.empty() && received.back().message == kMarker;
    }));
    bool forwarded = false;
    for (const MSG& got : received) {
        EXPECT_EQ(got.hwnd, nullptr); // thread messages
        EXPECT_NE(got.message, static_cast<UINT>(WM_RBUTTONDOWN));
        if (got.message == kHostMessage) {
            forwarded = true;
            EXPECT_EQ(got.wParam, 7u);
            EXPECT_EQ(got.lParam, 9);
        }
    }
    EXPECT_TRUE(forwarded);
}

TEST_F(Win32WindowTest, PlacementIsKeptPerCameraAndModeInTheLocalApplicationDataFolder) {
    // The system's folder this time, in the test run's own Wine prefix.
    Environment::UnsetSettingsFolder();
    char folder[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder),
              S_OK);
    const std::string file = std::string(folder) + "\\Vorn\\Quorvane\\LiveDisplay.ini";
    std::filesystem::remove(file);
    const SimMode small{
        .name = "Small", .controlFile = "cam8.cam", .width = 160, .height = 120, .extra = ""};
    Open(320, 240, 8, SimBoardFiles::ModeSection("CAMERA1_MODE2", small));
    Restore();
    ::SetWindowPos(hwnd, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_EQ(device.CloseDevice(), 0u);
    EXPECT_EQ(platform::Profile::GetInt(file, kSection, "Xoffset", -1), 100);
    EXPECT_EQ(platform::Profile::GetInt(file, kSection, "Yoffset", -1), 120);
    EXPECT_EQ(platform::Profile::GetInt(file, kSection, "Xpixels", -1), 320);
    EXPECT_EQ(platform::Profile::GetInt(file, kSection, "State", -1), 0);

    // The other mode has no place of its own yet: the window stays where it is, and what
    // the user does with it there goes into that mode's section.
    ASSERT_EQ(device.SetCurrentInputMode(device.GetInputModeId("Small")), 1);
    ASSERT_EQ(device.OpenDevice(), 0u);
    ::SetWindowPos(hwnd, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_EQ(device.CloseDevice(), 0u);
    EXPECT_EQ(platform::Profile::GetInt(file, "Mode65536_65792_65794", "Xoffset", -1), 300);
    EXPECT_EQ(platform::Profile::GetInt(file, kSection, "Xoffset", -1), 100);

    ASSERT_EQ(device.SetCurrentInputMode(device.GetInputModeId("Full")), 1);
    ASSERT_EQ(device.OpenDevice(), 0u);
    EXPECT_FALSE(::IsIconic(hwnd));
    RECT frame{};
    ::GetWindowRect(hwnd, &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 120);
    EXPECT_EQ(ClientOf(hwnd).right, 320);

    // Maximized is a state of its own: saved as such, and the next open maximizes again.
    ::ShowWindow(hwnd, SW_MAXIMIZE);
    ASSERT_EQ(device.CloseDevice(), 0u);
    EXPECT_EQ(platform::Profile::GetInt(file, kSection, "State", -1), 2);
    ASSERT_EQ(device.OpenDevice(), 0u);
    EXPECT_TRUE(::IsZoomed(hwnd));
    // Fitting the zoom to the maximized window must not shrink it back.
    EXPECT_GT(ClientOf(hwnd).right, 2 * 320);
    std::filesystem::remove(file);
}

TEST_F(Win32WindowTest, SavingWritesTheSharedWritersBytesForTheShownFrame) {
    ShowLiveWithOverlay();
    std::string offered;
    for (const bool includeOverlay : {false, true}) {
        const std::string path = files.Dir().File(includeOverlay ? "with.tif" : "without.tif");
        // The user's way: the command, the system's dialog, the check box, OK.
        ::PostMessageA(hwnd, WM_COMMAND, IDM_SAVE, 0);
        HWND dialog = DialogOver(hwnd);
        ASSERT_NE(dialog, nullptr);
        char name[MAX_PATH] = {};
        ::SendMessageA(dialog, CDM_GETSPEC, sizeof name, reinterpret_cast<LPARAM>(name));
        offered = name;
        HWND check = ControlIn(dialog, IDC_SAVE_OVERLAY);
        ASSERT_NE(check, nullptr);
        ::SendMessageA(check, BM_SETCHECK, includeOverlay ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(path) && !::IsWindow(dialog); }));
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(hwnd) != FALSE; }));

        // The frame saved is one of the camera's, as the shared writer writes it.
        const std::vector<uint8_t> bytes = FileBytes(path);
        ASSERT_GT(bytes.size(), TiffWriter::kPixelOffset);
        uint32_t frame = 0;
        while (frame < 255 && Pattern8(0, 0, frame) != bytes[TiffWriter::kPixelOffset])
            ++frame;
        std::vector<uint8_t> expected(320 * 240);
        for (int i = 0; i < 320 * 240; ++i)
            expected[static_cast<size_t>(i)] =
                includeOverlay && InOverlay(i % 320, i / 320)
                    ? 255
                    : Pattern8(static_cast<uint32_t>(i % 320), static_cast<uint32_t>(i / 320),
                               frame);
        EXPECT_TRUE(bytes == TiffWriter::Encode(320, 240, expected.data(), Palette()))
            << "overlay " << includeOverlay;
    }
    // The second save offered the first one's name.
    EXPECT_EQ(offered, "without.tif");
    ASSERT_EQ(device.AcquireStop(), 1);
}

TEST_F(Win32WindowTest, PrintingPutsTheImageOnOnePageWherePrintLayoutPlacesIt) {
    ShowLiveWithOverlay();
    const TestPrinter test(files.Dir(), files.Dir().File("port.ps"));
    HDC printer = ::CreateDCA("WINSPOOL", test.Name().c_str(), nullptr, nullptr);
    ASSERT_NE(printer, nullptr) << "Wine's PostScript driver did not take the test printer";
    PageMetrics metrics;
    metrics.horizontalResolution = ::GetDeviceCaps(printer, HORZRES);
    metrics.verticalResolution = ::GetDeviceCaps(printer, VERTRES);
    metrics.pixelsPerInchX = ::GetDeviceCaps(printer, LOGPIXELSX);
    metrics.pixelsPerInchY = ::GetDeviceCaps(printer, LOGPIXELSY);
    const std::string file = files.Dir().File("page.ps");
    auto* view = dynamic_cast<Win32View*>(&display->View());
    const bool printed = view->Window()->PrintTo(printer, true, file);
    ::DeleteDC(printer);
    ASSERT_EQ(device.AcquireStop(), 1);
    ASSERT_TRUE(printed);

    // Wine's driver writes PostScript: one page named after the window, and on it the
    // 320 x 240 image through the display's palette (entry 240 red), moved and scaled to
    // the rectangle in device pixels.
    const std::vector<uint8_t> bytes = FileBytes(file);
    const std::string page(bytes.begin(), bytes.end());
    const Rect image = PrintLayout::Place(metrics, 320, 240).image;
    for (const std::string& part :
         {std::string("%%Title: Live  (100%)"), std::string("%%Page: 1 1"),
          std::string("efefef\nf00000 f1f1f1"), std::string("/Width 320\n /Height 240"),
          std::to_string(image.left) + " " + std::to_string(image.top) + " translate\n" +
              std::to_string(image.Width()) + " " + std::to_string(image.Height()) + " scale"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    EXPECT_EQ(page.find("%%Page: 2"), std::string::npos);
}

TEST_F(Win32WindowTest, ThePrintDialogsOverlayChoiceIsTheSaveDialogsNextOffer) {
    ShowLiveWithOverlay();
    const std::string output = files.Dir().File("dialog.ps");
    const TestPrinter printer(files.Dir(), output);
    // The dialog offers the default printer. (No other test sets it.)
    ::SetDefaultPrinterA(printer.Name().c_str());
    for (const bool confirm : {false, true}) {
        ::PostMessageA(hwnd, WM_COMMAND, IDM_PRINT, 0);
        HWND dialog = DialogOver(hwnd);
        ASSERT_NE(dialog, nullptr);
        ::SendMessageA(ControlIn(dialog, IDC_PRINT_OVERLAY), BM_SETCHECK, BST_CHECKED, 0);
        ::PostMessageA(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog) && ::IsWindowEnabled(hwnd); }));
        EXPECT_EQ(WaitFor([&] { return std::filesystem::exists(output); }), confirm);

        // The save dialog offers the choice confirmed last; a cancelled one counts not.
        ::PostMessageA(hwnd, WM_COMMAND, IDM_SAVE, 0);
        HWND save = DialogOver(hwnd);
        ASSERT_NE(save, nullptr);
        EXPECT_EQ(::SendMessageA(ControlIn(save, IDC_SAVE_OVERLAY), BM_GETCHECK, 0, 0),
                  confirm ? BST_CHECKED : BST_UNCHECKED);
        ::PostMessageA(save, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(save) && ::IsWindowEnabled(hwnd); }));
    }
    const std::vector<uint8_t> bytes = FileBytes(output);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("%%Page: 1 1"), std::string::npos);
    ASSERT_EQ(device.AcquireStop(), 1);
}

TEST(Win32ViewTest, WithoutItsResourceLibraryTheDisplayGoesOnWithoutAWindow) {
    std::string debugText;
    platform::Diagnostics::SetDebugSink([&](std::string_view text) { debugText += text; });
    {
        CDispWin display(std::make_unique<Win32View>("NoSuchResources"));
        DisplayFrameDesc desc;
        desc.frameWidth = 64;
        desc.frameHeight = 48;
        display.Open(desc);
        EXPECT_FALSE(display.View().Exists());
        display.NewFrame(desc);
        display.Close();
    }
    platform::Diagnostics::SetDebugSink({});
    EXPECT_EQ(debugText, "Timeout on window creation message processing ready\n");
}

} // namespace
} // namespace vidrune::test
