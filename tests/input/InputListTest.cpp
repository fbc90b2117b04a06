#include "device/CAcqDevice.h"
#include "input/CAcqCameraDevice.h"
#include "input/CAcqInputDeviceList.h"
#include "input/CAcqInputModeList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace vidrune::test {

namespace {

constexpr uint32_t kFirstCamera = 0x10100;

std::unique_ptr<CAcqInputDevice> Camera(const char* name, uint32_t id,
                                        std::initializer_list<const char*> modes = {}) {
    auto camera = std::make_unique<CAcqCameraDevice>(name, id);
    for (const char* mode : modes)
        camera->AddCameraMode(mode, "mode.cam", 25.0);
    return camera;
}

// The generic device with the board's operations left out.
class TestDevice : public CAcqDevice {
public:
    TestDevice() : CAcqDevice("TEST DEVICE", 1) {}
    int LoadInputDevices(const char*) override { return 0; }
    int AcquireStart(const void*) override { return 0; }
    int AcquireStop() override { return 0; }
    int ReadDevice(void*) override { return 0; }
};

} // namespace

TEST(InputDeviceListTest, OnlyValidDevicesEnterAndAreEnumeratedFoundAndChosen) {
    // A device needs its type and a number in the input devices' range; the list refuses
    // names and numbers below.
    EXPECT_TRUE(CAcqInputDevice("Cam", 0, kFirstCamera).IsValid());
    EXPECT_TRUE(CAcqInputDevice("Cam", 1, 0x1FF00).IsValid());
    EXPECT_FALSE(CAcqInputDevice("Cam", 2, kFirstCamera).IsValid());
    EXPECT_FALSE(CAcqInputDevice("Cam", 1, 0x100FF).IsValid());

    // The plug-in's export tests enumerate the empty list.
    CAcqInputDeviceList list;
    EXPECT_EQ(list.AddInputDevice(nullptr), 0);
    EXPECT_EQ(list.AddInputDevice(Camera("", kFirstCamera)), 0);
    EXPECT_EQ(list.AddInputDevice(Camera("Cam", 0x10000)), 0);
    EXPECT_EQ(list.GetNumInputDevices(), 0u);

    ASSERT_EQ(list.AddInputDevice(Camera("Camera", kFirstCamera, {"Fast", "Slow"})), 1);
    ASSERT_EQ(list.AddInputDevice(Camera("Second", kFirstCamera + 1, {"One", "Two"})), 1);
    ASSERT_EQ(list.AddInputDevice(Camera("Camera", kFirstCamera + 2)), 1);
    EXPECT_STREQ(list.GetFirstInputDeviceName(), "Camera");
    EXPECT_STREQ(list.GetNextInputDeviceName(), "Second");
    EXPECT_STREQ(list.GetFirstInputDeviceName(), "Camera");
    EXPECT_STREQ(list.GetNextInputDeviceName(), "Second");
    EXPECT_STREQ(list.GetNextInputDeviceName(), "Camera");
    EXPECT_EQ(list.GetNextInputDeviceName(), nullptr);
    // The first from the head wins; letter case and blanks matter. The exports stop a null
    // name before the list.
    EXPECT_EQ(list.GetInputDeviceId("Camera"), kFirstCamera);
    EXPECT_EQ(list.GetInputDeviceId("camera"), 0u);
    EXPECT_EQ(list.GetInputDeviceId("Camera "), 0u);
    EXPECT_EQ(list.GetInputDeviceId(nullptr), 0u);

    // Adding makes nothing current, so there are no modes, not even by name.
    EXPECT_EQ(list.GetCurrent(), nullptr);
    EXPECT_EQ(list.GetInputModeId("Fast"), 0u);
    EXPECT_EQ(list.OpenCurrent(), 11u);
    EXPECT_EQ(list.CloseCurrent(), 11u);
    // Each device keeps its own current mode. Mode numbers count within their device, so
    // the second camera's modes start one above its own identifier.
    ASSERT_EQ(list.SetCurrentInputDevice(kFirstCamera + 1), 1);
    EXPECT_STREQ(list.GetCurrent()->GetName(), "Second");
    EXPECT_EQ(list.GetInputDeviceType(), 1u);
    EXPECT_EQ(list.GetInputModeId("Two"), kFirstCamera + 3);
    ASSERT_EQ(list.SetCurrentInputMode(kFirstCamera + 3), 1);
    ASSERT_EQ(list.SetCurrentInputDevice(kFirstCamera), 1);
    EXPECT_EQ(list.SetCurrentInputMode(kFirstCamera + 3), 0);
    EXPECT_EQ(list.GetCurrentInputMode(), kFirstCamera + 1);
    ASSERT_EQ(list.SetCurrentInputDevice(kFirstCamera + 1), 1);
    EXPECT_EQ(list.GetCurrentInputMode(), kFirstCamera + 3);
    // A device that turned invalid after it was added can no longer be chosen.
    list.FindById(kFirstCamera)->SetString("NAME", "");
    EXPECT_EQ(list.SetCurrentInputDevice(kFirstCamera), 0);
    EXPECT_EQ(list.GetCurrentInputDevice(), kFirstCamera + 1);
}

TEST(InputModeListTest, RefusesInvalidModesAndRemoves) {
    CAcqInputModeList list(1);
    EXPECT_EQ(list.AddMode(nullptr), 0);
    EXPECT_EQ(list.CreateMode("Zero", kFirstCamera), 0);
    EXPECT_EQ(list.CreateMode("", kFirstCamera + 1), 0);
    EXPECT_EQ(CAcqInputModeList(2).CreateMode("Typed", kFirstCamera + 1), 0);
    ASSERT_EQ(list.CreateMode("Mode", kFirstCamera + 1), 1);
    EXPECT_EQ(list.FindById(kFirstCamera + 1)->GetType(), 1u);

    EXPECT_EQ(list.SetCurrent(kFirstCamera), 0);
    EXPECT_EQ(list.SetCurrent(kFirstCamera + 2), 0);
    EXPECT_EQ(list.GetCurrent(), 0u);
    ASSERT_EQ(list.SetCurrent(kFirstCamera + 1), 1);

    EXPECT_EQ(list.RemoveMode(kFirstCamera + 2), 0);
    EXPECT_EQ(list.RemoveMode(kFirstCamera + 1), 1);
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetFirstName(), nullptr);
    double value = 0;
    EXPECT_EQ(list.GetNumeric(kFirstCamera + 1, "NAME", &value), 0);
}

// The plug-in's attribute and read tests check the names a turned camera swaps; here what a
// host cannot send through the exports: overlong names, a set that would make a new
// attribute, a mode the camera lacks, a text "ROTATEDATA" (which turns nothing), and camera
// numbers running out.
TEST(DeviceInputAccessTest, OverlongNewOrTextualNamesAreRefusedAndNumbersRunOut) {
    TestDevice device;
    ASSERT_EQ(device.NextInputDeviceId(), kFirstCamera);
    auto camera = std::make_unique<CAcqCameraDevice>("Text", kFirstCamera);
    camera->SetString("ROTATEDATA", "1");
    camera->AddCameraMode("Mode", "mode.cam", 25.0);
    ASSERT_EQ(device.AddInputDevice(std::move(camera)), 1);
    ASSERT_EQ(device.SetCurrentInputDevice(kFirstCamera), 1);
    device.SetNumeric("X DATA SCALE", 0.5);
    double value = 0;
    ASSERT_EQ(device.AcqDeviceQuery("X DATA SCALE", &value, 1), 1);
    EXPECT_EQ(value, 0.5);

    const std::string longName(CAcqDevice::kNameBufferSize, 'W');
    EXPECT_EQ(device.AcqDeviceQuery(longName.c_str(), &value, 1), 0);
    EXPECT_EQ(device.AcqDeviceSet(longName.c_str(), &value, 1), 0);
    EXPECT_EQ(device.AcqDeviceSet("NEW", &value, 0), 0);
    char letter = 0;
    EXPECT_EQ(device.Attributes().GetType("NEW", &letter), 0);
    EXPECT_EQ(device.AcqInputModeQueryById(kFirstCamera, kFirstCamera + 2, "NAME", &value, 0), 0);

    for (uint32_t offset = 0x100; offset < 0xFF00; ++offset)
        device.CommitInputDeviceId();
    EXPECT_EQ(device.NextInputDeviceId(), 0x1FF00u);
    device.CommitInputDeviceId();
    EXPECT_EQ(device.NextInputDeviceId(), 0u);
}

} // namespace vidrune::test
