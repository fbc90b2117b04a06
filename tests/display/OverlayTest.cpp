#include "display/OverlayPlane.h"
#include "support/Requests.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace vidrune::test {

namespace {

using Points = std::set<std::pair<int, int>>;

Points SetPixels(const OverlayPlane& plane) {
    Points points;
    for (int y = 0; y < plane.Height(); ++y)
        for (int x = 0; x < plane.Width(); ++x)
            if (plane.At(x, y) != 0)
                points.insert({x, y});
    return points;
}

GraphicsCommand BitmapCommand(const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                              int32_t left, int32_t top, int32_t refWidth = 0,
                              int32_t refHeight = 0) {
    GraphicsCommand command = Graphics(OverlayPlane::kBitmap, width, height, refWidth, refHeight);
    command.bitmapLeft = left;
    command.bitmapTop = top;
    command.pixels = pixels.data();
    return command;
}

std::vector<uint8_t> Pattern(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>((x * 7 + y * 13) % 5 == 0 ? 1 : 2 + (x + 3 * y) % 200);
    return pixels;
}

OverlayPlane Plane(int width, int height) {
    OverlayPlane plane;
    plane.Allocate(width, height);
    return plane;
}

} // namespace

TEST(OverlayTest, LinesStepFromTheLeftAndLeaveTheLargerEnd) {
    OverlayPlane plane = Plane(20, 20);
    GraphicsCommand line = Graphics(OverlayPlane::kLine, 10, 0, 0, 10);
    EXPECT_EQ(plane.Execute(line), OverlayRefresh::Always);
    Points expected;
    for (int x = 0; x < 10; ++x)
        expected.insert({x, 10 - x});
    EXPECT_EQ(SetPixels(plane), expected);

    plane.Clear();
    GraphicsCommand dot = Graphics(OverlayPlane::kLine, 5, 5, 5, 5);
    plane.Execute(dot);
    EXPECT_TRUE(SetPixels(plane).empty());

    GraphicsCommand vertical = Graphics(OverlayPlane::kLine, 3, 6, 3, 2);
    plane.Execute(vertical);
    EXPECT_EQ(SetPixels(plane), (Points{{3, 2}, {3, 3}, {3, 4}, {3, 5}}));

    plane.Clear();
    GraphicsCommand steep = Graphics(OverlayPlane::kLine, 0, 0, 2, 19);
    plane.Execute(steep); // one pixel per column: gaps
    EXPECT_EQ(SetPixels(plane), (Points{{0, 0}, {1, 9}}));
}

TEST(OverlayTest, CommandsOutsideTheImageAreIgnored) {
    OverlayPlane plane = Plane(20, 10);
    GraphicsCommand commands[] = {
        Graphics(OverlayPlane::kPoint, 20, 0, 0, 0),
        Graphics(OverlayPlane::kPoint, 0, -1, 0, 0),
        Graphics(OverlayPlane::kLine, 0, 0, 20, 5),
        Graphics(OverlayPlane::kRectangle, -1, 0, 5, 5),
        Graphics(OverlayPlane::kFilledRectangle, 15, 5, 6, 2),
        Graphics(OverlayPlane::kFilledRectangle, 0, 0, 0, 5),
        Graphics(3, 1, 1, 5, 5),
        Graphics(10, 1, 1, 5, 5),
    };
    for (GraphicsCommand& command : commands)
        EXPECT_EQ(plane.Execute(command), OverlayRefresh::None) << command.type;
    EXPECT_TRUE(SetPixels(plane).empty());

    GraphicsCommand point = Graphics(OverlayPlane::kPoint, 19, 9, 0, 0, 0x1234);
    EXPECT_EQ(plane.Execute(point), OverlayRefresh::Always);
    EXPECT_EQ(plane.At(19, 9), 0x34); // the colour's low byte
    GraphicsCommand fill = Graphics(OverlayPlane::kFilledRectangle, 15, 5, 5, 5, 7);
    EXPECT_EQ(plane.Execute(fill), OverlayRefresh::Always);
    EXPECT_EQ(SetPixels(plane).size(), 25u);
}

TEST(OverlayTest, RectangleOutlineLeavesTheFarCorner) {
    OverlayPlane plane = Plane(10, 10);
    GraphicsCommand rectangle = Graphics(OverlayPlane::kRectangle, 2, 2, 6, 5);
    plane.Execute(rectangle);
    const Points set = SetPixels(plane);
    EXPECT_EQ(set.size(), 13u);
    EXPECT_TRUE(set.count({2, 2}) && set.count({6, 2}) && set.count({2, 5}) && set.count({5, 5}) &&
                set.count({6, 4}));
    EXPECT_FALSE(set.count({6, 5}));
}

TEST(OverlayTest, EllipseReachesItsRoundedExtremes) {
    OverlayPlane plane = Plane(100, 100);
    GraphicsCommand ellipse = Graphics(OverlayPlane::kEllipse, 50, 50, 10, 5);
    EXPECT_EQ(plane.Execute(ellipse), OverlayRefresh::Always);
    const Points set = SetPixels(plane);
    for (auto point : {std::pair{40, 50}, {60, 50}, {50, 45}, {50, 55}})
        EXPECT_TRUE(set.count(point)) << point.first << "," << point.second;
    for (const auto& [x, y] : set)
        EXPECT_TRUE(x >= 40 && x <= 60 && y >= 45 && y <= 55) << x << "," << y;
    EXPECT_FALSE(set.count({50, 50}));
}

TEST(OverlayTest, EllipseSkipsPointsOffTheImage) {
    OverlayPlane plane = Plane(30, 30);
    GraphicsCommand ellipse = Graphics(OverlayPlane::kEllipse, 2, 28, 10, 5);
    plane.Execute(ellipse);
    const Points set = SetPixels(plane);
    EXPECT_TRUE(set.count({12, 28}));
    EXPECT_TRUE(set.count({2, 23}));
    EXPECT_FALSE(set.empty());

    plane.Clear();
    GraphicsCommand flat = Graphics(OverlayPlane::kEllipse, 15, 15, 0, 5);
    EXPECT_EQ(plane.Execute(flat), OverlayRefresh::None);
    EXPECT_TRUE(SetPixels(plane).empty());

    // Wider than any frame: ignored (2^31 steps of 0.01 would hold the host for minutes).
    // The widest allowed one still reaches the image with its top and bottom.
    GraphicsCommand wide = Graphics(OverlayPlane::kEllipse, 15, 15, 65536, 5);
    EXPECT_EQ(plane.Execute(wide), OverlayRefresh::None);
    EXPECT_TRUE(SetPixels(plane).empty());
    wide.c = OverlayPlane::kMaxEllipseSemiAxisX;
    EXPECT_EQ(plane.Execute(wide), OverlayRefresh::Always);
    EXPECT_TRUE(SetPixels(plane).count({15, 10}));
}

TEST(OverlayTest, BitmapEnlargesToItsReferenceSize) {
    OverlayPlane plane = Plane(400, 400);
    const std::vector<uint8_t> pixels = Pattern(100, 100);
    GraphicsCommand command = BitmapCommand(pixels, 100, 100, 10, 20, 200, 200);
    EXPECT_EQ(plane.Execute(command), OverlayRefresh::WhenReduced);
    EXPECT_EQ(command.scaleFactor, 2);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const uint8_t source = pixels[(y / 2) * 100 + x / 2];
            ASSERT_EQ(plane.At(20 + x, 40 + y), source == 1 ? 0 : source) << x << "," << y;
        }
    }
    EXPECT_EQ(plane.At(19, 40), 0);
    EXPECT_EQ(plane.At(220, 40), 0);
}

TEST(OverlayTest, BitmapReducesByOringBlocks) {
    OverlayPlane plane = Plane(50, 50);
    const std::vector<uint8_t> pixels = Pattern(101, 100); // the odd last column is dropped
    GraphicsCommand command = BitmapCommand(pixels, 101, 100, 4, 6);
    command.scaleFactor = 7; // a factor given by the host is left alone
    plane.Execute(command);
    EXPECT_EQ(command.scaleFactor, 7);
    EXPECT_EQ(plane.BitmapScale(101, 100, 0, 0), -2);
    for (int y = 0; y < 47; ++y) {
        for (int x = 0; x < 48; ++x) {
            uint8_t expected = 0;
            for (int by = 0; by < 2; ++by)
                for (int bx = 0; bx < 2; ++bx)
                    expected |= pixels[(2 * y + by) * 101 + 2 * x + bx];
            ASSERT_EQ(plane.At(2 + x, 3 + y), expected == 1 ? 0 : expected) << x << "," << y;
        }
    }
}

TEST(OverlayTest, BitmapValueOneIsTransparentAndZeroErases) {
    OverlayPlane plane = Plane(8, 8);
    GraphicsCommand fill = Graphics(OverlayPlane::kFilledRectangle, 0, 0, 8, 8, 9);
    plane.Execute(fill);
    const std::vector<uint8_t> pixels = {1, 0, 5, 1};
    GraphicsCommand command = BitmapCommand(pixels, 2, 2, 3, 3, 8, 8);
    plane.Execute(command);
    EXPECT_EQ(command.scaleFactor, 1);
    EXPECT_EQ(plane.At(3, 3), 9);
    EXPECT_EQ(plane.At(4, 3), 0);
    EXPECT_EQ(plane.At(3, 4), 5);
    EXPECT_EQ(plane.At(4, 4), 9);
    EXPECT_EQ(SetPixels(plane).size(), 63u);
}

TEST(OverlayTest, BitmapIsClippedToTheImage) {
    OverlayPlane plane = Plane(100, 100);
    const std::vector<uint8_t> pixels = Pattern(30, 10);
    GraphicsCommand command = BitmapCommand(pixels, 30, 10, -20, 95, 100, 100);
    plane.Execute(command);
    EXPECT_EQ(command.scaleFactor, 1);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            uint8_t expected = 0;
            if (x < 10 && y >= 95) {
                expected = pixels[(y - 95) * 30 + x + 20];
                expected = expected == 1 ? 0 : expected;
            }
            ASSERT_EQ(plane.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(OverlayTest, UnusableBitmapsDrawNothing) {
    OverlayPlane plane = Plane(100, 100);
    const std::vector<uint8_t> pixels(1600 * 2, 7);
    GraphicsCommand commands[] = {
        BitmapCommand(pixels, 1600, 2, 0, 0), BitmapCommand(pixels, 2, 1200, 0, 0),
        BitmapCommand(pixels, 0, 5, 0, 0),    BitmapCommand(pixels, 2, 2, 0, 0),
        BitmapCommand(pixels, 2, 2, 101, 0),  BitmapCommand(pixels, 2, 2, 0, -2, 100, 100),
    };
    commands[3].pixels = nullptr;
    for (GraphicsCommand& command : commands)
        plane.Execute(command);
    EXPECT_TRUE(SetPixels(plane).empty());
    EXPECT_EQ(commands[3].scaleFactor, 0);

    OverlayPlane none; // before Open: no plane, nothing happens
    GraphicsCommand point = Graphics(OverlayPlane::kPoint, 0, 0, 0, 0);
    GraphicsCommand bitmap = BitmapCommand(pixels, 2, 2, 0, 0);
    EXPECT_EQ(none.Execute(point), OverlayRefresh::None);
    EXPECT_EQ(none.Execute(bitmap), OverlayRefresh::None);
}

} // namespace vidrune::test
