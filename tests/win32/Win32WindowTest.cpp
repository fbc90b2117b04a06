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
#include "platform/Profile.h"
#include "platform/win32/WindowsHeaders.h"
#include "support/Environment.h"
#include "support/Requests.h"
#include "support/SimBoardFiles.h"
#include "support/SimDevice.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <winspool.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace vidrune::test {
namespace {

using platform::Clock;
using platform::Profile;

constexpr const char* kTitle = "Live";
constexpr const char* kSection = "Mode65536_65792_65793";
// The white rectangle the live tests draw over the image.
constexpr RECT kOverlay{100, 50, 140, 80};

// Polls until the condition holds or a few seconds have passed.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 150 && !condition(); ++i)
        Clock::Sleep(20);
    return condition();
}

std::string TextOf(HWND hwnd) {
    char text[260] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// The first window below parent, at any depth, for which found() holds. Below the desktop
// that is every program's windows (the test programs run side by side on one desktop), so
// found() must tell this one's apart.
HWND FindBelow(HWND parent, const std::function<bool(HWND)>& found) {
    std::pair<const std::function<bool(HWND)>*, HWND> search{&found, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto& [test, result] = *reinterpret_cast<decltype(search)*>(data);
            result = (*test)(window) ? window : nullptr;
            return result == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The contrast dialog's gain and offset fields and its gain slider's position.
std::string ContrastShown(HWND dialog) {
    return TextOf(::GetDlgItem(dialog, IDC_GAIN_EDIT)) + " " +
           TextOf(::GetDlgItem(dialog, IDC_OFFSET_EDIT)) + " " +
           std::to_string(::SendDlgItemMessageA(dialog, IDC_GAIN_SLIDER, TBM_GETPOS, 0, 0));
}

// The colour a palette entry shows as on a true-colour screen, as Capture() reads it.
uint32_t Shown(const Palette& palette, uint8_t gray) {
    const PaletteEntry& entry = palette[palette.GrayToPalette()[gray]];
    return static_cast<uint32_t>(entry.red << 16 | entry.green << 8 | entry.blue);
}

// The header of a 32-bit DIB of width x height pixels, top row first.
BITMAPINFOHEADER HeaderFor(int width, int height) {
    return {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
}

// The pixels of area in a window's client area (in the screen for no window), top row first,
// as a 32-bit DIB holds them (0xRRGGBB).
std::vector<uint32_t> Capture(HWND hwnd, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info{HeaderFor(width, height), {}};
    HDC source = ::GetDC(hwnd);
    HDC memory = ::CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::SelectObject(memory, section);
    ::BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    const auto* first = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(first, first + width * height);
    ::DeleteDC(memory);
    ::DeleteObject(section);
    ::ReleaseDC(hwnd, source);
    return pixels;
}

// Saves what the screen shows in frame as a 32-bit BMP file.
void SaveScreenshot(const RECT& frame, const std::string& path) {
    const BITMAPINFOHEADER header = HeaderFor(frame.right - frame.left, frame.bottom - frame.top);
    const std::vector<uint32_t> pixels = Capture(nullptr, frame);
    const auto bytes = static_cast<DWORD>(pixels.size() * sizeof pixels[0]);
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
    const BITMAPFILEHEADER file{0x4D42, offset + bytes, 0, 0, offset}; // "BM"
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(pixels.data()), bytes);
}

// How many of the first count pixels, width a row, differ from what expected(x, y, n) gives
// for the camera frame n that the first pixel shows.
template <typename Pixel, typename Expected>
int Mismatches(const Pixel* pixels, int count, int width, const Expected& expected) {
    uint32_t frame = 0;
    while (frame < 255 && pixels[0] != expected(0, 0, frame))
        ++frame;
    int wrong = 0;
    for (int i = 0; i < count; ++i)
        wrong += pixels[i] == expected(i % width, i / width, frame) ? 0 : 1;
    return wrong;
}

// Deletes a printer that AddTestPrinter() added.
using AddedPrinter = std::unique_ptr<void, decltype([](HANDLE printer) {
                                         ::DeletePrinter(printer);
                                         ::ClosePrinter(printer);
                                     })>;

// Adds the printer name: PostScript, as Wine's own driver makes it from a PPD, into the file
// output (Wine takes a port it does not know for a file name).
AddedPrinter AddTestPrinter(const TempDir& dir, std::string& name, const std::string& output) {
    const std::string ppd = dir.Write("test.ppd", R"(*PPD-Adobe: "4.3"
*NickName: "Vidrune test printer"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*ImageableArea A4/A4: "18 36 577 806"
*PaperDimension A4/A4: "595 842"
)");
    const auto text = [](const char* value) { return const_cast<char*>(value); };
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = text("Wine PostScript Driver");
    driver.pEnvironment = text("Windows x64");
    driver.pDriverPath = driver.pConfigFile = text("wineps.drv");
    driver.pDataFile = text(ppd.c_str());
    ::AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                          APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
    PRINTER_INFO_2A printer{};
    printer.pPrinterName = name.data();
    printer.pPortName = text(output.c_str());
    printer.pDriverName = driver.pName;
    printer.pPrintProcessor = text("WinPrint");
    printer.pDatatype = text("RAW");
    return AddedPrinter(::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer)));
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Environment::SetSettingsFolder(files.Dir().Path());
        Environment::Unset("VIDRUNE_DISPLAY");
    }

    // One camera "Cam" of width x height pixels with the given depth; the display is
    // titled "Live".
    void Open(uint32_t width, uint32_t height, int depth = 8) {
        const SimCamera camera{
            .depth = depth, .frameRate = 60, .maxWidth = width, .maxHeight = height};
        ASSERT_TRUE(SimDevice::Open(
            device,
            files.WriteSingle(camera, SimBoardFiles::ModeOf(camera), "",
                              std::string("[EXTDISPLAY]\nMPX=0\nDISPNAME=") + kTitle + "\n")));
        display = dynamic_cast<CDispWin*>(device.Display());
        ASSERT_NE(display, nullptr);
        view = dynamic_cast<Win32View*>(&display->View());
        ASSERT_NE(view, nullptr) << "the display did not choose the Win32 window";
        hwnd = view->WindowHandle();
        ASSERT_NE(hwnd, nullptr);
    }

    // What the user does to a window that starts minimized: restore it, at full size.
    void Restore() {
        ::ShowWindow(hwnd, SW_RESTORE);
        Command(IDM_ZOOM100);
        ASSERT_TRUE(WaitFor([this] { return TextOf(hwnd) == std::string(kTitle) + "  (100%)"; }))
            << TextOf(hwnd);
    }

    void Command(UINT id) { ::SendMessageA(hwnd, WM_COMMAND, id, 0); }
    UINT MenuState(UINT id) const { return ::GetMenuState(::GetMenu(hwnd), id, MF_BYCOMMAND); }
    bool Grayed(UINT id) const { return (MenuState(id) & MF_GRAYED) != 0; }

    // The client area, or with frame the window's rectangle on the screen.
    RECT Client(bool frame = false) const {
        RECT rect{};
        frame ? ::GetWindowRect(hwnd, &rect) : ::GetClientRect(hwnd, &rect);
        return rect;
    }
    RECT Frame() const { return Client(true); }

    void MoveTo(int left, int top) {
        ::SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }

    // A dialog over the window: a visible window it owns.
    HWND OwnedDialog() {
        return FindBelow(::GetDesktopWindow(), [this](HWND window) {
            return ::GetWindow(window, GW_OWNER) == hwnd && ::IsWindowVisible(window);
        });
    }

    // The modal dialog a menu command opens over the window, once it is up.
    HWND DialogFor(UINT command) {
        ::PostMessageA(hwnd, WM_COMMAND, command, 0);
        HWND dialog = nullptr;
        WaitFor([&] { return (dialog = OwnedDialog()) != nullptr; });
        return dialog;
    }

    // Presses a dialog's button; true once the dialog is gone and the window takes input again.
    bool Press(HWND dialog, UINT button) {
        ::PostMessageA(dialog, WM_COMMAND, button, 0);
        return WaitFor([&] { return !::IsWindow(dialog) && ::IsWindowEnabled(hwnd); });
    }

    SimBoardFiles files;
    CVidrune device{"STRAVIK2 MONO"};
    CDispWin* display = nullptr;
    Win32View* view = nullptr;
    HWND hwnd = nullptr;
};

// The rules of sizes and zooms are WindowGeometry's; here that the window's menu, frame and
// mouse go through them.
TEST_F(Win32WindowTest, TheMenuTheFrameAndTheMouseDriveTheWindow) {
    MSG message;
    // The thread needs a message queue before anything can be posted to it.
    ::PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    Open(640, 480);
    // The window's resources come from a library without code: loading it runs nothing.
    const auto* base = reinterpret_cast<const uint8_t*>(::GetModuleHandleA("DispResources.dll"));
    ASSERT_NE(base, nullptr);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u);

    // Messages the window leaves alone go on to the host's thread; other mouse buttons' do not.
    ::PostMessageA(hwnd, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ::PostMessageA(hwnd, WM_APP, 7, 9);
    bool rightButton = false;
    message.message = 0;
    ASSERT_TRUE(WaitFor([&] {
        while (message.message != WM_APP && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            rightButton = rightButton || message.message == WM_RBUTTONDOWN;
        return message.message == WM_APP;
    }));
    // A thread message, as it was posted.
    EXPECT_EQ(std::tuple(rightButton, message.hwnd, message.wParam, message.lParam),
              std::tuple(false, HWND{}, WPARAM{7}, LPARAM{9}));
    // One monitor and no saved place: minimized, titled without the zoom.
    EXPECT_TRUE(::IsIconic(hwnd) && TextOf(hwnd) == kTitle) << TextOf(hwnd);
    EXPECT_NE(::SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    Restore();
    // Save and print with an open camera; the contrast commands only for deeper pixels.
    for (const UINT id : {IDM_SAVE, IDM_PRINT, IDM_CONTRAST, IDM_RESTART_LEVELS})
        EXPECT_EQ(Grayed(id), id == IDM_CONTRAST || id == IDM_RESTART_LEVELS) << id;
    Command(IDM_CONTRAST);
    EXPECT_EQ(OwnedDialog(), nullptr);

    // The command word's high half (an accelerator's 1) does not matter.
    const UINT zooms[] = {IDM_ZOOM25, IDM_ZOOM50, IDM_ZOOM75, IDM_ZOOM150, IDM_ZOOM100};
    const LONG widths[] = {160, 320, 480, 960, 640};
    for (size_t i = 0; i < std::size(zooms); ++i) {
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(zooms[i], 1), 0);
        EXPECT_EQ(std::pair(Client().right, Client().bottom),
                  std::pair(widths[i], widths[i] * 3 / 4));
    }
    // 200 % of 640 pixels does not fit the 1280 pixel wide screen with the frame.
    Command(IDM_ZOOM200);
    const RECT client = Client();
    EXPECT_LE(Frame().right - Frame().left, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GT(client.right, 1200);
    // Commands without an effect change nothing.
    for (const UINT id : {UINT{IDM_NOTHING}, UINT{IDM_NOTHING_ELSE}, UINT{40016}, UINT{39999}}) {
        Command(id);
        EXPECT_TRUE(Client().right == client.right && !::IsIconic(hwnd)) << id;
    }

    Restore();
    MoveTo(40, 40);
    ::SetWindowPos(hwnd, nullptr, 0, 0, 501, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Client().right % 4, 0);
    EXPECT_EQ(Client().bottom, (Client().right * 3 + 2) / 4);
    const RECT frame = Frame();
    RECT proposed{frame.left, frame.top, frame.right + 30, frame.bottom};
    ::SendMessageA(hwnd, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&proposed));
    EXPECT_EQ(proposed.right - proposed.left, frame.right - frame.left + 4);
    // The image drags the window along: pressed at (10, 10), moved to (30, 25).
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 25));
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 25));
    EXPECT_EQ(std::pair(Frame().left, Frame().top), std::pair(frame.left + 20, frame.top + 15));

    for (const bool onTop : {false, true}) {
        Command(IDM_ONTOP);
        EXPECT_EQ((::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, onTop);
        EXPECT_EQ((MenuState(IDM_ONTOP) & MF_CHECKED) != 0, onTop);
    }
    // The minimize commands, closing the window and a double-click into it only minimize it.
    const UINT messages[] = {WM_COMMAND, WM_COMMAND, WM_CLOSE, WM_LBUTTONDBLCLK};
    const WPARAM wParams[] = {IDM_MINIMIZE, IDM_HIDE, 0, MK_LBUTTON};
    for (size_t i = 0; i < std::size(messages); ++i) {
        ::SendMessageA(hwnd, messages[i], wParams[i], 0);
        EXPECT_TRUE(::IsIconic(hwnd) && TextOf(hwnd) == kTitle) << messages[i] << " " << wParams[i];
        Restore();
    }
    ASSERT_EQ(device.CloseDevice(), 0u);
    EXPECT_TRUE(Grayed(IDM_SAVE) && Grayed(IDM_PRINT));
}

TEST_F(Win32WindowTest, TheContrastDialogEditsTheSettingsOfDeeperFrames) {
    Open(320, 240, 12);
    ContrastSettings& contrast = display->WindowEvents().Contrast();
    contrast.gain = 2000;
    contrast.offset = 300;
    EXPECT_FALSE(Grayed(IDM_CONTRAST));
    Command(IDM_CONTRAST);
    HWND dialog = OwnedDialog();
    ASSERT_EQ(TextOf(dialog), "Contrast");
    EXPECT_TRUE(Grayed(IDM_CONTRAST));
    EXPECT_EQ(ContrastShown(dialog), "2000 300 200");
    // Typed numbers count once applied; text without a number keeps the setting.
    for (const char* typed : {"1500", "abc"}) {
        ::SetDlgItemTextA(dialog, IDC_GAIN_EDIT, typed);
        ::SendMessageA(dialog, WM_COMMAND, IDC_APPLY, 0);
        EXPECT_EQ(contrast.gain, 1500) << typed;
        EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_GAIN_SLIDER, TBM_GETPOS, 0, 0), 150);
    }
    ::SendDlgItemMessageA(dialog, IDC_INVERT, BM_CLICK, 0, 0);
    EXPECT_EQ(contrast.invert, 1);
    for (const auto& [target, id] :
         {std::pair{dialog, IDC_AUTOMATIC}, {hwnd, IDM_RESTART_LEVELS}}) {
        contrast.autoLevelCountdown = 0;
        ::SendMessageA(target, WM_COMMAND, id, 0);
        EXPECT_EQ(contrast.autoLevelCountdown, ContrastSettings::kRestartCountdown) << id;
    }
    // What automatic levels find shows in the open dialog.
    display->View().ShowContrast(1234, 56);
    EXPECT_TRUE(WaitFor([&] { return ContrastShown(dialog) == "1234 56 123"; }))
        << ContrastShown(dialog);
    ::SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog) && !Grayed(IDM_CONTRAST); }));
}

// The 320 x 240 camera running, shown in full with the white rectangle over it. The host
// then frees the device while the user has the Save dialog open: the window's thread ends
// the dialog and the window, and nothing is saved through the display that went.
TEST_F(Win32WindowTest,
       TheDialogsSaveAndPrintWhatALiveAcquisitionShowsThePatternSaturationInRedAndTheOverlayWhite) {
    Open(320, 240);
    Restore();
    // Wholly on the screen, where the screen can be read back (Wine's full-screen height
    // puts the lower right corner a little below the screen).
    MoveTo(20, 20);
    ASSERT_EQ(SimDevice::Start(device, VIDRUNE_ACQUIRE_CONTINUOUS), 1);
    GraphicsCommand command =
        Graphics(9, kOverlay.left, kOverlay.top, kOverlay.right - kOverlay.left,
                 kOverlay.bottom - kOverlay.top);
    ASSERT_EQ(device.AcqDeviceSet("GRAPHICS COMMAND", &command, 1), 1);
    Clock::Sleep(1000);
    const std::vector<uint32_t> screen = Capture(::GetDlgItem(hwnd, IDC_IMAGE), {0, 0, 320, 240});
    // For the README: scripts/screenshot-windows.sh.
    if (const char* shot = std::getenv("VIDRUNE_SCREENSHOT"))
        SaveScreenshot(Frame(), shot); // the window, frame and menu included
    // The frame shown is one of the camera's, every pixel through the palette.
    const Palette palette;
    const int wrong = Mismatches(screen.data(), 320 * 240, 320, [&](int x, int y, uint32_t n) {
        return ::PtInRect(&kOverlay, {x, y}) ? 0xFFFFFFu : Shown(palette, Pattern8(x, y, n));
    });
    EXPECT_EQ(wrong, 0);

    const std::string output = files.Dir().File("dialog.ps");
    std::string printer =
        "Vidrune test " + std::filesystem::path(files.Dir().Path()).filename().string();
    const AddedPrinter added = AddTestPrinter(files.Dir(), printer, output);
    // The print dialog offers the default printer. (No other test sets it.)
    ::SetDefaultPrinterA(printer.c_str());
    for (const bool confirm : {false, true}) {
        HWND dialog = DialogFor(IDM_PRINT);
        ASSERT_NE(dialog, nullptr);
        ::SendDlgItemMessageA(dialog, IDC_PRINT_OVERLAY, BM_SETCHECK, BST_CHECKED, 0);
        ASSERT_TRUE(Press(dialog, confirm ? IDOK : IDCANCEL));
        EXPECT_EQ(WaitFor([&] { return std::filesystem::exists(output); }), confirm);

        // The save dialog offers the overlay choice confirmed last (a cancelled one counts
        // not) and the name saved last; the file has the overlay as the box is left.
        dialog = DialogFor(IDM_SAVE);
        ASSERT_NE(dialog, nullptr);
        HWND check =
            FindBelow(dialog, [](HWND child) { return ::GetDlgCtrlID(child) == IDC_SAVE_OVERLAY; });
        EXPECT_EQ(::SendMessageA(check, BM_GETCHECK, 0, 0), confirm ? BST_CHECKED : BST_UNCHECKED);
        char offered[MAX_PATH] = {};
        ::SendMessageA(dialog, CDM_GETSPEC, sizeof offered, reinterpret_cast<LPARAM>(offered));
        EXPECT_TRUE(!confirm || std::string(offered) == "with.tif") << offered;
        const bool overlay = !confirm;
        const std::string name = overlay ? "with.tif" : "without.tif";
        const std::string path = files.Dir().File(name);
        ::SendMessageA(check, BM_SETCHECK, overlay ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
        ASSERT_TRUE(Press(dialog, IDOK));
        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(path); }));
        const std::string bytes = files.Dir().Read(name);
        ASSERT_EQ(bytes.size(), TiffWriter::kPixelOffset + 320 * 240);
        const auto* pixels = reinterpret_cast<const uint8_t*>(bytes.data());
        const int saved = Mismatches(
            pixels + TiffWriter::kPixelOffset, 320 * 240, 320, [&](int x, int y, uint32_t n) {
                return overlay && ::PtInRect(&kOverlay, {x, y}) ? 255 : Pattern8(x, y, n);
            });
        EXPECT_EQ(saved, 0) << path;
    }

    HDC dc = ::CreateDCA("WINSPOOL", printer.c_str(), nullptr, nullptr);
    ASSERT_NE(dc, nullptr) << "Wine's PostScript driver did not take the test printer";
    const PageMetrics metrics{::GetDeviceCaps(dc, HORZRES), ::GetDeviceCaps(dc, VERTRES),
                              ::GetDeviceCaps(dc, LOGPIXELSX), ::GetDeviceCaps(dc, LOGPIXELSY)};
    const bool printed = view->Window()->PrintTo(dc, true, files.Dir().File("page.ps"));
    ::DeleteDC(dc);
    ASSERT_TRUE(printed);
    // Wine's driver writes PostScript: one page named after the window, and on it the
    // 320 x 240 image through the display's palette (entry 240 red), moved and scaled to
    // the rectangle in device pixels.
    const std::string page = files.Dir().Read("page.ps");
    const Rect image = PrintLayout::Place(metrics, 320, 240).image;
    for (const std::string& part :
         {std::string("%%Title: Live  (100%)"), std::string("%%Page: 1 1"),
          std::string("efefef\nf00000 f1f1f1"), std::string("/Width 320\n /Height 240"),
          std::to_string(image.left) + " " + std::to_string(image.top) + " translate\n" +
              std::to_string(image.Width()) + " " + std::to_string(image.Height()) + " scale"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    EXPECT_EQ(page.find("%%Page: 2"), std::string::npos);

    HWND dialog = DialogFor(IDM_SAVE);
    ASSERT_NE(dialog, nullptr);
    const std::string path = files.Dir().File("late.tif");
    ::SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
    ASSERT_EQ(device.AcquireStop(), 1);
    device.FreeDeviceResources();
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); })) << "the dialog stayed";
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(hwnd); })) << "the window stayed";
    // A dialog left behind would now save through the display that went.
    if (::IsWindow(dialog))
        Press(dialog, IDOK);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Win32WindowTest, PlacementIsKeptInTheLocalApplicationDataFolder) {
    // The system's folder this time, in the test run's own Wine prefix.
    Environment::UnsetSettingsFolder();
    char folder[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder),
              S_OK);
    const std::string file = std::string(folder) + "\\Vorn\\Quorvane\\LiveDisplay.ini";
    std::filesystem::remove(file);
    Open(320, 240);
    Restore();
    MoveTo(100, 120);
    ASSERT_EQ(device.CloseDevice(), 0u);
    for (const auto& [key, value] :
         {std::pair{"Xoffset", 100}, {"Yoffset", 120}, {"Xpixels", 320}, {"State", 0}})
        EXPECT_EQ(Profile::GetInt(file, kSection, key, -1), value) << key;
    // Moved away meanwhile: the open puts it back.
    MoveTo(300, 200);
    ASSERT_EQ(device.OpenDevice(), 0u);
    EXPECT_FALSE(::IsIconic(hwnd));
    EXPECT_EQ((std::array{Frame().left, Frame().top, Client().right}),
              (std::array<LONG, 3>{100, 120, 320}));

    // Maximized is a state of its own: saved as such, and the next open maximizes again.
    ::ShowWindow(hwnd, SW_MAXIMIZE);
    ASSERT_EQ(device.CloseDevice(), 0u);
    EXPECT_EQ(Profile::GetInt(file, kSection, "State", -1), 2);
    ASSERT_EQ(device.OpenDevice(), 0u);
    EXPECT_TRUE(::IsZoomed(hwnd));
    std::filesystem::remove(file);
}

TEST(Win32ViewTest, WithoutItsResourceLibraryTheDisplayGoesOnWithoutAWindow) {
    std::string debugText;
    platform::Diagnostics::SetDebugSink([&](std::string_view text) { debugText += text; });
    {
        CDispWin display(std::make_unique<Win32View>("NoSuchResources"));
        const DisplayFrameDesc desc{.frameWidth = 64, .frameHeight = 48};
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
