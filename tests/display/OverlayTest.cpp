#include "display/OverlayPlane.h"
#include "support/Requests.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

} // namespace

// Lines take one pixel per column from the left end and leave out the end with the larger
// coordinate; rectangles are four such lines. Anything not wholly on the image is ignored, as
// are bitmaps too large, empty or without pixels; one wholly off the image draws nothing.
TEST(OverlayTest, ShapesAndCommandsThatDrawNothing) {
    const std::vector<uint8_t> pixels(1600 * 2, 7);
    const struct {
        GraphicsCommand command;
        Points expected;
        OverlayRefresh refresh = OverlayRefresh::Always;
    } cases[] = {
        {Graphics(OverlayPlane::kLine, 10, 0, 0, 10),
         {{0, 10}, {1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}, {6, 4}, {7, 3}, {8, 2}, {9, 1}}},
        {Graphics(OverlayPlane::kLine, 5, 5, 5, 5), {}},
        {Graphics(OverlayPlane::kLine, 3, 6, 3, 2), {{3, 2}, {3, 3}, {3, 4}, {3, 5}}},
        {Graphics(OverlayPlane::kLine, 0, 0, 2, 19), {{0, 0}, {1, 9}}},
        {Graphics(OverlayPlane::kRectangle, 2, 2, 4, 4), // the far corner stays clear
         {{2, 2}, {3, 2}, {4, 2}, {2, 3}, {4, 3}, {2, 4}, {3, 4}}},
        {Graphics(OverlayPlane::kPoint, 19, 19), {{19, 19}}},
        {Graphics(OverlayPlane::kFilledRectangle, 18, 17, 2, 3),
         {{18, 17}, {19, 17}, {18, 18}, {19, 18}, {18, 19}, {19, 19}}},
        {Graphics(OverlayPlane::kPoint, 20, 0), {}, OverlayRefresh::None},
        {Graphics(OverlayPlane::kLine, 0, 0, 20, 5), {}, OverlayRefresh::None},
        {Graphics(OverlayPlane::kRectangle, -1, 0, 5, 5), {}, OverlayRefresh::None},
        {Graphics(OverlayPlane::kFilledRectangle, 15, 5, 6, 2), {}, OverlayRefresh::None},
        {Graphics(OverlayPlane::kFilledRectangle, 0, 0, 0, 5), {}, OverlayRefresh::None},
        {Graphics(OverlayPlane::kEllipse, 15, 15, 0, 5), {}, OverlayRefresh::None},
        // Wider than any frame (2^31 steps of 0.01 would hold the host for minutes).
        {Graphics(OverlayPlane::kEllipse, 15, 15, 65536, 5), {}, OverlayRefresh::None},
        {Graphics(3, 1, 1, 5, 5), {}, OverlayRefresh::None},
        {BitmapCommand(pixels, 1600, 2, 0, 0), {}, OverlayRefresh::None},
        {BitmapCommand(pixels, 2, 1200, 0, 0), {}, OverlayRefresh::None},
        {BitmapCommand(pixels, 0, 5, 0, 0), {}, OverlayRefresh::None},
        {Graphics(OverlayPlane::kBitmap, 2, 2), {}, OverlayRefresh::None},
        {BitmapCommand(pixels, 2, 2, 21, 0), {}, OverlayRefresh::WhenReduced},
        {BitmapCommand(pixels, 2, 2, 0, -2, 20, 20), {}, OverlayRefresh::WhenReduced},
    };
    OverlayPlane plane;
    plane.Allocate(20, 20);
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << c.command.type << " at " << c.command.a << "," << c.command.b
                     << " to " << c.command.c << "," << c.command.d);
        plane.Clear();
        EXPECT_EQ(plane.Execute(c.command), c.refresh);
        EXPECT_EQ(SetPixels(plane), c.expected);
    }
    GraphicsCommand point = Graphics(OverlayPlane::kPoint, 19, 9, 0, 0, 0x1234);
    plane.Execute(point);
    EXPECT_EQ(plane.At(19, 9), 0x34); // the colour's low byte
    OverlayPlane none;                // before Open: no plane, a bitmap draws nothing
    GraphicsCommand bitmap = BitmapCommand(pixels, 2, 2, 0, 0);
    EXPECT_EQ(none.Execute(bitmap), OverlayRefresh::None);

    // An ellipse reaches its rounded extremes and no further, wholly or in part on the image.
    OverlayPlane large;
    large.Allocate(100, 100);
    for (GraphicsCommand ellipse : {Graphics(OverlayPlane::kEllipse, 50, 50, 10, 5),
                                    Graphics(OverlayPlane::kEllipse, 95, 2, 10, 5)}) {
        large.Clear();
        EXPECT_EQ(large.Execute(ellipse), OverlayRefresh::Always);
        const Points set = SetPixels(large);
        for (const auto& [x, y] : set)
            EXPECT_TRUE(std::abs(x - ellipse.a) <= 10 && std::abs(y - ellipse.b) <= 5)
                << x << "," << y;
        EXPECT_EQ(set.count({ellipse.a - 10, ellipse.b}) + set.count({ellipse.a, ellipse.b + 5}),
                  2u);
        EXPECT_FALSE(set.count({ellipse.a, ellipse.b}));
    }
    // The widest allowed one still reaches the image with its top and bottom.
    GraphicsCommand wide =
        Graphics(OverlayPlane::kEllipse, 15, 15, OverlayPlane::kMaxEllipseSemiAxisX, 5);
    plane.Execute(wide);
    EXPECT_TRUE(SetPixels(plane).count({15, 10}));
}

// Bitmaps are enlarged to their reference size or reduced by ORing blocks (an odd last
// column dropped), clipped to the image; 1 is transparent and 0 erases. A factor the host
// gave is left in the command.
TEST(OverlayTest, BitmapsAreScaledAndClippedOntoThePlane) {
    const struct {
        const char* name;
        int planeSize, width, height, left, top, refWidth, refHeight, factor, hostFactor;
    } cases[] = {
        {"enlarged", 400, 100, 100, 10, 20, 200, 200, 2, 0},
        {"reduced", 50, 101, 100, 4, 6, 0, 0, -2, 0},
        {"clipped", 100, 30, 10, -20, 95, 100, 100, 1, 0},
        {"host's factor", 50, 101, 100, 4, 6, 0, 0, -2, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OverlayPlane plane;
        plane.Allocate(c.planeSize, c.planeSize);
        GraphicsCommand fill =
            Graphics(OverlayPlane::kFilledRectangle, 0, 0, c.planeSize, c.planeSize, 9);
        plane.Execute(fill);
        // Transparent (1), erasing (0) and coloured pixels, mixed.
        std::vector<uint8_t> pixels(static_cast<size_t>(c.width) * c.height);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i % 5 == 0 ? 1 : i % 11 == 0 ? 0 : 2 + i * 7 % 200);
        GraphicsCommand command =
            BitmapCommand(pixels, c.width, c.height, c.left, c.top, c.refWidth, c.refHeight);
        command.scaleFactor = c.hostFactor;
        EXPECT_EQ(plane.Execute(command), OverlayRefresh::WhenReduced);
        EXPECT_EQ(command.scaleFactor, c.hostFactor != 0 ? c.hostFactor : c.factor);
        // The bitmap drawn the plain way: every pixel of the scaled bitmap (a source pixel
        // repeated, or the OR of a source block) where it lands, transparent ones left out.
        std::vector<uint8_t> expected(static_cast<size_t>(c.planeSize) * c.planeSize, 9);
        const int f = std::abs(c.factor);
        const int block = c.factor > 0 ? 1 : f; // source pixels a side that one shown pixel ORs
        const auto scaled = [&](int v) { return c.factor > 0 ? v * f : v / f; };
        const auto source = [&](int v) { return c.factor > 0 ? v / f : v * f; };
        for (int sy = 0; sy < scaled(c.height); ++sy)
            for (int sx = 0; sx < scaled(c.width); ++sx) {
                const int x = scaled(c.left) + sx;
                const int y = scaled(c.top) + sy;
                if (x < 0 || y < 0 || x >= c.planeSize || y >= c.planeSize)
                    continue;
                uint8_t value = 0;
                for (int by = source(sy); by < source(sy) + block; ++by)
                    for (int bx = source(sx); bx < source(sx) + block; ++bx)
                        value |= pixels[by * c.width + bx];
                if (value != OverlayPlane::kTransparent)
                    expected[y * c.planeSize + x] = value;
            }
        for (int y = 0; y < c.planeSize; ++y)
            for (int x = 0; x < c.planeSize; ++x)
                ASSERT_EQ(plane.At(x, y), expected[y * c.planeSize + x]) << x << "," << y;
    }
}

} // namespace vidrune::test
