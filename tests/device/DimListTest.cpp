#include "device/CAcqDimList.h"

#include <gtest/gtest.h>

#include <cmath>

using vidrune::CAcqDimension;
using vidrune::CAcqDimList;

TEST(DimListTest, TypeIsFixedAtCreationAndTheNewestIsAtTheHead) {
    CAcqDimList list;
    ASSERT_EQ(list.SetNumeric("WIDTH", 640), 1);
    EXPECT_EQ(list.SetString("WIDTH", "wide"), 0);
    double width = 0;
    ASSERT_EQ(list.GetNumeric("WIDTH", &width), 1);
    EXPECT_EQ(width, 640);

    ASSERT_EQ(list.AddNumeric("NAME", 1.0), 1);
    EXPECT_EQ(list.AddString("NAME", "text"), 0);
    char letter = 'x';
    ASSERT_EQ(list.GetType("NAME", &letter), 1);
    EXPECT_EQ(letter, CAcqDimension::kNumeric);
    EXPECT_EQ(list.GetType("ABSENT", &letter), 0);
    EXPECT_EQ(letter, 0);
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_STREQ(list.GetAt(0)->GetName(), "NAME");
}

TEST(DimListTest, EqualTextKeepsTheStoredAddress) {
    CAcqDimList list;
    list.AddString("NAME", "camera");
    const char* before = nullptr;
    list.GetString("NAME", &before);
    EXPECT_EQ(list.SetString("NAME", "camera"), 1);
    const char* after = nullptr;
    list.GetString("NAME", &after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(list.SetString("NAME", "other"), 1);
    list.GetString("NAME", &after);
    EXPECT_STREQ(after, "other");
}

TEST(DimListTest, LookupsAreExactAndCaseSensitive) {
    CAcqDimList list;
    list.AddNumeric("WIDTH", 1);
    double value = 0;
    EXPECT_EQ(list.GetNumeric("width", &value), 0);
    EXPECT_EQ(list.GetNumeric("WIDTH ", &value), 0);
    EXPECT_EQ(list.RemoveAttribute("ABSENT"), 0);
    EXPECT_EQ(list.RemoveAttribute("WIDTH"), 1);
    char letter = 0;
    EXPECT_EQ(list.GetType("WIDTH", &letter), 0);
    // Empty names cannot be compared and are refused.
    EXPECT_EQ(list.AddNumeric("", 1), 0);
    EXPECT_EQ(list.SetString("", "x"), 0);
}

// Typed access goes by the stored type, changes only what exists, and takes only finite
// numbers.
TEST(DimListTest, TypedAccessFollowsTheStoredTypeAndRefusesWhatIsNotAFiniteNumber) {
    CAcqDimList list;
    list.AddNumeric("GAIN", 2.5);
    list.AddString("PORT", "COM1");
    char port2[] = "COM2";
    ASSERT_EQ(list.TypedSet("PORT", port2), 1);
    EXPECT_EQ(list.TypedSet("ABSENT", port2), 0);
    EXPECT_EQ(list.GetCount(), 2u);
    const char* port = nullptr;
    ASSERT_EQ(list.TypedQuery("PORT", &port), 1);
    EXPECT_STREQ(port, "COM2");
    for (double notFinite : {std::nan(""), HUGE_VAL, -HUGE_VAL})
        EXPECT_EQ(list.TypedSet("GAIN", &notFinite), 0) << notFinite;
    double gain = 0;
    ASSERT_EQ(list.TypedQuery("GAIN", &gain), 1);
    EXPECT_EQ(gain, 2.5);
    EXPECT_EQ(list.TypedQuery("GAIN", nullptr), 0);
}
