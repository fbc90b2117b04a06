#pragma once

#include "FrameSource.h"
#include "SourceImage.h"

#include <memory>
#include <vector>

namespace vidrune::fgsim {

// Plays images in a loop, frame n showing image n mod count; each image sits at the
// sensor's top left and is repeated to fill the sensor.
class ImageSource : public FrameSource {
public:
    explicit ImageSource(std::shared_ptr<const std::vector<SourceImage>> images);

    void Render(uint64_t frame, const CropWindow& crop, const FrameTarget& target) const override;

private:
    std::shared_ptr<const std::vector<SourceImage>> images_;
};

} // namespace vidrune::fgsim
