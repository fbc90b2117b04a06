// The exports as a host sees them: the library loaded with the dynamic loader and
// every function called by name.
#include "support/PluginLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

using vidrune::test::PluginLibrary;

// One loaded, never initialised plug-in walked through what a host may call first.
TEST(ExportsTest, DeviceExistsFromLoadOnAndNothingIsEnumeratedBeforeInitialisation) {
    PluginLibrary plugin;
    VidruneDevice* device = plugin.GetDeviceHandle();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(plugin.GetDeviceHandle(), device);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);

    // The header and the build agree on the version (the board's attribute tests compare the
    // library's with the header's).
    EXPECT_STREQ(VIDRUNE_VERSION_STRING, VIDRUNE_PROJECT_VERSION);
    EXPECT_EQ(VIDRUNE_VERSION, VIDRUNE_PROJECT_VERSION_MAJOR * 10000 +
                                   VIDRUNE_PROJECT_VERSION_MINOR * 100 +
                                   VIDRUNE_PROJECT_VERSION_PATCH);

    // The device's table reaches the same device.
    device->ops->SetLastError(device, 12);
    EXPECT_EQ(device->ops->GetLastError(device), 12u);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    EXPECT_EQ(device->ops->GetAcqDeviceType(device), 1u);
    EXPECT_EQ(device->ops->SetCurrentInputMode(device, 0x10101), 0); // no camera yet
    double value = 5;
    EXPECT_EQ(device->ops->AcqInputDeviceQueryById(device, 0x10100, "NAME", &value, 0), 0);
    const char* name = nullptr;
    EXPECT_EQ(device->ops->AcqDeviceQuery(device, "NAME", &name, 0), 1);
    EXPECT_STREQ(name, "STRAVIK2 MONO");

    // Nothing to enumerate or set before initialisation.
    EXPECT_EQ(std::tuple(plugin.GetNumInputDevices(), plugin.GetCurrentInputDevice(),
                         plugin.GetCurrentInputMode(), plugin.GetNumInputModes(),
                         plugin.GetInputDeviceType()),
              std::tuple(0u, 0u, 0u, 0u, 0u));
    EXPECT_EQ(plugin.GetFirstInputDeviceName(), nullptr);
    EXPECT_EQ(plugin.GetNextInputDeviceName(), nullptr);
    EXPECT_EQ(plugin.GetFirstInputModeName(), nullptr);
    EXPECT_EQ(plugin.SetCurrentInputDevice(0x10100), 0);
    for (const auto attribute : {plugin.AcqInputDeviceQuery, plugin.AcqInputDeviceSet,
                                 plugin.AcqInputModeQuery, plugin.AcqInputModeSet})
        EXPECT_EQ(attribute("NAME", &value), 0);
    // The device's own attributes exist from load on; only existing ones change.
    EXPECT_EQ(plugin.AcqDeviceSet("NO SUCH ATTRIBUTE", &value), 0);
    EXPECT_EQ(plugin.AcqDeviceQuery("NO SUCH ATTRIBUTE", &value), 0);
    EXPECT_EQ(value, 5);

    // An overlong name never overruns the host's translation buffer.
    const std::string longName(112, 'N');
    char buffer[112 + 16];
    std::memset(buffer, 0x55, sizeof buffer);
    device->ops->TranslateAttributeName(device, 0, longName.c_str(), buffer, 1);
    EXPECT_EQ(std::strlen(buffer), 111u);
    EXPECT_EQ(static_cast<unsigned char>(buffer[112]), 0x55);
}
