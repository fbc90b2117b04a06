#pragma once

#include "display/ContrastSettings.h"
#include "display/DisplayView.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vidrune::test {

// The display's side of the window, recording what the window asks for.
class FakeWindowEvents : public DisplayWindowEvents {
public:
    struct Resized {
        int32_t width, height, state;
        bool operator==(const Resized&) const = default;
    };

    void OnZoom(int32_t percent) override { zooms.push_back(percent); }
    void OnRestartAutoLevels() override { ++restarts; }
    void OnResized(int32_t width, int32_t height, int32_t state) override {
        resized.push_back(Resized{width, height, state});
    }
    void OnMoved(int32_t left, int32_t top) override { moves.emplace_back(left, top); }
    void OnTopChanged(bool onTop) override { onTopChanges.push_back(onTop); }
    void OnRenderEnabled(bool) override {}
    bool OnSave(const std::string& path, bool includeOverlay) override {
        saves.emplace_back(path, includeOverlay);
        return imageWidth > 0; // writing is the display's, tested with it
    }
    bool OnSnapshot(bool includeOverlay, std::vector<uint8_t>& pixels, int32_t& width,
                    int32_t& height) override {
        // Which choice came is recorded; the pixels are the display's to compose.
        snapshots.push_back(includeOverlay);
        pixels = image;
        width = imageWidth;
        height = imageHeight;
        return !pixels.empty();
    }
    ContrastSettings& Contrast() override { return contrast; }
    int32_t BitsPerPixel() const override { return bits; }
    float Aspect() const override { return 4.0f / 3.0f; }

    int32_t bits = 12;
    ContrastSettings contrast;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    std::vector<uint8_t> image;

    std::vector<int32_t> zooms;
    int restarts = 0;
    std::vector<Resized> resized;
    std::vector<std::pair<int32_t, int32_t>> moves;
    std::vector<bool> onTopChanges;
    std::vector<std::pair<std::string, bool>> saves;
    std::vector<bool> snapshots;
};

} // namespace vidrune::test
