#include "device/CAcqDimList.h"

#include <gtest/gtest.h>

#include <cmath>

using vidrune::CAcqDimension;
using vidrune::CAcqDimList;

TEST(DimListTest, TypesAreFixedLookupsExactTheNewestAtTheHeadAndTypedAccessFinite) {
    CAcqDimList list;
    ASSERT_EQ(list.SetNumeric("WIDTH", 640), 1);
    EXPECT_EQ(list.SetString("WIDTH", "wide"), 0);
    double width = 0;
    ASSERT_EQ(list.GetNumeric("WIDTH", &width), 1);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(list.GetNumeric("width", &width), 0);
    EXPECT_EQ(list.GetNumeric("WIDTH ", &width), 0);

    ASSERT_EQ(list.AddNumeric("NAME", 1.0), 1);
    EXPECT_EQ(list.AddString("NAME", "text"), 0);
    char letter = 'x';
    ASSERT_EQ(list.GetType("NAME", &letter), 1);
    EXPECT_EQ(letter, CAcqDimension::kNumeric);
    EXPECT_EQ(list.GetType("ABSENT", &letter), 0);
    EXPECT_EQ(letter, 0);
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_STREQ(list.GetAt(0)->GetName(), "NAME");

    EXPECT_EQ(list.RemoveAttribute("ABSENT"), 0);
    EXPECT_EQ(list.RemoveAttribute("WIDTH"), 1);
    EXPECT_EQ(list.GetType("WIDTH", &letter), 0);
    // Empty names cannot be compared and are refused.
    EXPECT_EQ(list.AddNumeric("", 1), 0);
    EXPECT_EQ(list.SetString("", "x"), 0);

    // Typed access goes by the stored type, changes only what exists, and takes only finite
    // numbers. An equal text keeps the stored address.
    list.AddNumeric("GAIN", 2.5);
    list.AddString("PORT", "COM1");
    const char* before = nullptr;
    list.GetString("PORT", &before);
    EXPECT_EQ(list.SetString("PORT", "COM1"), 1);
    const char* port = nullptr;
    list.GetString("PORT", &port);
    EXPECT_EQ(port, before);
    char port2[] = "COM2";
    ASSERT_EQ(list.TypedSet("PORT", port2), 1);
    EXPECT_EQ(list.TypedSet("ABSENT", port2), 0);
    EXPECT_EQ(list.GetCount(), 3u);
    ASSERT_EQ(list.TypedQuery("PORT", &port), 1);
    EXPECT_STREQ(port, "COM2");
    for (double notFinite : {std::nan(""), HUGE_VAL, -HUGE_VAL})
        EXPECT_EQ(list.TypedSet("GAIN", &notFinite), 0) << notFinite;
    double gain = 0;
    ASSERT_EQ(list.TypedQuery("GAIN", &gain), 1);
    EXPECT_EQ(gain, 2.5);
    EXPECT_EQ(list.TypedQuery("GAIN", nullptr), 0);
}
