#include "device/CAcqDevice.h"
#include "input/CAcqCameraDevice.h"
#include "input/CAcqInputDeviceList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using vidrune::CAcqCameraDevice;
using vidrune::CAcqDevice;

namespace {

// The generic device with the board's operations left out.
class TestDevice : public CAcqDevice {
public:
    TestDevice() : CAcqDevice("TEST DEVICE", 1) {}
    int LoadInputDevices(const char*) override { return 0; }
    int AcquireStart(const void*) override { return 0; }
    int AcquireStop() override { return 0; }
    int ReadDevice(void*) override { return 0; }
};

// A device with one camera (current, with one mode) whose "ROTATEDATA" is given.
class DeviceInputAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        cameraId_ = device_.NextInputDeviceId();
        auto camera = std::make_unique<CAcqCameraDevice>("Cam", cameraId_);
        modeId_ = camera->AddCameraMode("Mode", "mode.cam", 25.0);
        camera->SetNumeric("ROTATEDATA", 1.0);
        camera->SetNumeric("WIDTH", 100);
        camera->SetNumeric("HEIGHT", 200);
        camera->SetModeNumeric(modeId_, "MAX WIDTH", 1000);
        camera->SetModeNumeric(modeId_, "MAX HEIGHT", 2000);
        ASSERT_EQ(device_.AddInputDevice(std::move(camera)), 1);
        device_.CommitInputDeviceId();
        device_.SetNumeric("X DATA SCALE", 0.5);
        device_.SetNumeric("Y DATA SCALE", 0.25);
        device_.SetNumeric("width", 7);
    }

    void Rotate(double value) {
        ASSERT_EQ(device_.AcqInputDeviceSetById(cameraId_, "ROTATEDATA", &value, 0), 1);
    }

    double DeviceValue(const char* name, int translate) {
        double value = -1;
        return device_.AcqDeviceQuery(name, &value, translate) ? value : -1;
    }

    TestDevice device_;
    uint32_t cameraId_ = 0;
    uint32_t modeId_ = 0;
};

} // namespace

// The set-up took the first number.
TEST_F(DeviceInputAccessTest, InputDeviceNumbersRunOut) {
    EXPECT_EQ(cameraId_, 0x10100u);
    EXPECT_EQ(device_.NextInputDeviceId(), 0x10101u);
    for (uint32_t offset = 0x101; offset < 0xFF00; ++offset)
        device_.CommitInputDeviceId();
    EXPECT_EQ(device_.NextInputDeviceId(), 0x1FF00u);
    device_.CommitInputDeviceId();
    EXPECT_EQ(device_.NextInputDeviceId(), 0u);
}

// The plug-in's attribute tests check the device's own names; here the camera's and the
// mode's, and the names a host has translated.
TEST_F(DeviceInputAccessTest, RotatedCameraSwapsXAndYNamesAndUnknownNamesAreRefused) {
    ASSERT_EQ(device_.SetCurrentInputDevice(cameraId_), 1);
    for (const auto& [rotate, scale] : {std::pair{0.0, 0.5}, {-1.0, 0.5}, {1.0, 0.25}}) {
        Rotate(rotate);
        EXPECT_EQ(DeviceValue("X DATA SCALE", 1), scale) << rotate;
    }
    double value = 0;
    ASSERT_EQ(device_.AcqInputDeviceQuery("WIDTH", &value, 1), 1);
    EXPECT_EQ(value, 200);

    // A set goes to the partner as well.
    double width = 640;
    ASSERT_EQ(device_.AcqInputModeSet("MAX WIDTH", &width, 1), 1);
    ASSERT_EQ(device_.AcqInputModeQuery("MAX HEIGHT", &value, 0), 1);
    EXPECT_EQ(value, 640);

    char translated[CAcqDevice::kNameBufferSize];
    EXPECT_EQ(device_.TranslateAttributeName(cameraId_, "MAX DISPLAY HEIGHT", translated, 1), 1);
    EXPECT_STREQ(translated, "MAX DISPLAY WIDTH");
    EXPECT_EQ(device_.TranslateAttributeName(cameraId_ + 1, "WIDTH", translated, 1), 0);
    EXPECT_STREQ(translated, "WIDTH");

    // Long names and unknown ones are refused; a set makes no new attribute.
    const std::string longName(CAcqDevice::kNameBufferSize, 'W');
    EXPECT_EQ(device_.AcqDeviceQuery(longName.c_str(), &value, 1), 0);
    EXPECT_EQ(device_.AcqDeviceSet(longName.c_str(), &value, 1), 0);
    EXPECT_EQ(device_.AcqDeviceSet("NEW", &value, 0), 0);
    char letter = 0;
    EXPECT_EQ(device_.Attributes().GetType("NEW", &letter), 0);
    EXPECT_EQ(device_.AcqInputModeQueryById(cameraId_, modeId_ + 1, "NAME", &value, 0), 0);

    // The device's own "ROTATEDATA" is the board's business, not the name swap's, and a
    // text "ROTATEDATA" does not count.
    Rotate(0.0);
    device_.SetNumeric("ROTATEDATA", 1.0);
    EXPECT_EQ(DeviceValue("X DATA SCALE", 1), 0.5);
    auto textual = std::make_unique<CAcqCameraDevice>("Text", cameraId_ + 1);
    textual->SetString("ROTATEDATA", "1");
    textual->AddCameraMode("Mode", "mode.cam", 25.0);
    ASSERT_EQ(device_.AddInputDevice(std::move(textual)), 1);
    ASSERT_EQ(device_.SetCurrentInputDevice(cameraId_ + 1), 1);
    EXPECT_EQ(DeviceValue("X DATA SCALE", 1), 0.5);
}
