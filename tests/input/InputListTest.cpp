#include "input/CAcqCameraDevice.h"
#include "input/CAcqInputDeviceList.h"
#include "input/CAcqInputModeList.h"

#include <gtest/gtest.h>

#include <memory>

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

    ASSERT_EQ(list.AddInputDevice(Camera("Camera", kFirstCamera)), 1);
    ASSERT_EQ(list.AddInputDevice(Camera("Second", kFirstCamera + 1)), 1);
    ASSERT_EQ(list.AddInputDevice(Camera("Camera", kFirstCamera + 2)), 1);
    EXPECT_STREQ(list.GetFirstInputDeviceName(), "Camera");
    EXPECT_STREQ(list.GetNextInputDeviceName(), "Second");
    EXPECT_STREQ(list.GetFirstInputDeviceName(), "Camera");
    EXPECT_STREQ(list.GetNextInputDeviceName(), "Second");
    EXPECT_STREQ(list.GetNextInputDeviceName(), "Camera");
    EXPECT_EQ(list.GetNextInputDeviceName(), nullptr);
    EXPECT_EQ(list.GetNextInputDeviceName(), nullptr);
    // The first from the head wins; letter case and blanks matter.
    EXPECT_EQ(list.GetInputDeviceId("Camera"), kFirstCamera);
    EXPECT_EQ(list.GetInputDeviceId("camera"), 0u);
    EXPECT_EQ(list.GetInputDeviceId("Camera "), 0u);
    EXPECT_EQ(list.GetInputDeviceId(nullptr), 0u); // the exports stop it before the list

    // Adding makes nothing current.
    EXPECT_EQ(list.GetCurrentInputDevice(), 0u);
    EXPECT_EQ(list.GetCurrent(), nullptr);
    EXPECT_EQ(list.OpenCurrent(), 11u);
    EXPECT_EQ(list.CloseCurrent(), 11u);
    ASSERT_EQ(list.SetCurrentInputDevice(kFirstCamera + 1), 1);
    EXPECT_EQ(list.GetCurrentInputDevice(), kFirstCamera + 1);
    EXPECT_STREQ(list.GetCurrent()->GetName(), "Second");
    // A device that turned invalid after it was added can no longer be chosen.
    list.FindById(kFirstCamera)->SetString("NAME", "");
    EXPECT_EQ(list.SetCurrentInputDevice(kFirstCamera), 0);
    EXPECT_EQ(list.GetCurrentInputDevice(), kFirstCamera + 1);
}

TEST(InputDeviceListTest, ModeAccessFollowsTheCurrentDevice) {
    CAcqInputDeviceList list;
    list.AddInputDevice(Camera("A", kFirstCamera, {"Fast", "Slow"}));
    list.AddInputDevice(Camera("B", kFirstCamera + 1, {"One", "Two"}));
    // Without a current device there are no modes (the export tests check the rest before
    // initialisation), not even by name.
    EXPECT_EQ(list.GetInputModeId("Fast"), 0u);
    list.SetCurrentInputDevice(kFirstCamera);
    EXPECT_EQ(list.GetInputDeviceType(), 1u);
    EXPECT_EQ(list.GetNumInputModes(), 2u);
    EXPECT_STREQ(list.GetFirstInputModeName(), "Fast");
    EXPECT_STREQ(list.GetNextInputModeName(), "Slow");
    EXPECT_EQ(list.GetNextInputModeName(), nullptr);
    EXPECT_STREQ(list.GetFirstInputModeName(), "Fast");
    EXPECT_EQ(list.GetInputModeId("Slow"), kFirstCamera + 2);
    EXPECT_EQ(list.GetInputModeId("slow"), 0u);
    EXPECT_EQ(list.SetCurrentInputMode(kFirstCamera + 3), 0);

    // Each device keeps its own current mode. Mode numbers count within their device, so
    // the second camera's modes start one above its own identifier.
    list.SetCurrentInputDevice(kFirstCamera + 1);
    EXPECT_EQ(list.GetCurrentInputMode(), kFirstCamera + 2);
    ASSERT_EQ(list.SetCurrentInputMode(kFirstCamera + 3), 1);
    list.SetCurrentInputDevice(kFirstCamera);
    EXPECT_EQ(list.GetCurrentInputMode(), kFirstCamera + 1);
    list.SetCurrentInputDevice(kFirstCamera + 1);
    EXPECT_EQ(list.GetCurrentInputMode(), kFirstCamera + 3);
}

TEST(InputModeListTest, RefusesInvalidModesAndRemoves) {
    CAcqInputModeList list(1);
    EXPECT_EQ(list.AddMode(nullptr), 0);
    EXPECT_EQ(list.CreateMode("Zero", kFirstCamera), 0);
    EXPECT_EQ(list.CreateMode("", kFirstCamera + 1), 0);
    EXPECT_EQ(CAcqInputModeList(2).CreateMode("Typed", kFirstCamera + 1), 0);
    ASSERT_EQ(list.CreateMode("Mode", kFirstCamera + 1), 1);
    EXPECT_EQ(list.FindById(kFirstCamera + 1)->GetType(), 1u);
    EXPECT_EQ(list.GetCount(), 1u);

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

} // namespace vidrune::test
