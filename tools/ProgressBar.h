#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace vidrune::tool {

// Shows how many of a known number of frames are done: a bar redrawn in place on a
// terminal, otherwise a plain line at every tenth of the way.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, uint32_t total, bool terminal);

    void Update(uint32_t done);
    // A message line that must not be overdrawn by the bar.
    void Note(const std::string& line);
    // Ends the bar's line.
    void Finish();

private:
    void Draw();

    std::ostream& out_;
    uint32_t total_;
    bool terminal_;
    uint32_t done_ = 0;
    uint32_t lastStep_ = 0;
    bool drawn_ = false;
};

} // namespace vidrune::tool
