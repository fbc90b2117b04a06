#include "tools/ProgressBar.h"

namespace vidrune::tool {

namespace {

constexpr uint32_t kBarWidth = 40;
constexpr uint32_t kPlainSteps = 10;

} // namespace

ProgressBar::ProgressBar(std::ostream& out, uint32_t total, bool terminal)
    : out_(out), total_(total), terminal_(terminal) {}

void ProgressBar::Update(uint32_t done) {
    done_ = done;
    if (terminal_) {
        Draw();
        return;
    }
    const uint32_t step = total_ == 0 ? kPlainSteps : done * kPlainSteps / total_;
    if (step > lastStep_ || done == total_) {
        lastStep_ = step;
        out_ << "read " << done << " of " << total_ << " frames\n" << std::flush;
    }
}

void ProgressBar::Note(const std::string& line) {
    if (terminal_ && drawn_)
        out_ << "\r\033[K";
    out_ << line << "\n";
    if (terminal_ && drawn_)
        Draw();
    out_ << std::flush;
}

void ProgressBar::Finish() {
    if (terminal_ && drawn_)
        out_ << "\n" << std::flush;
    drawn_ = false;
}

void ProgressBar::Draw() {
    const uint32_t filled = total_ == 0 ? kBarWidth : done_ * kBarWidth / total_;
    out_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] "
         << done_ << "/" << total_ << " frames" << std::flush;
    drawn_ = true;
}

} // namespace vidrune::tool
