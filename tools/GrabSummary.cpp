#include "tools/GrabSummary.h"

#include "tools/ErrorText.h"

#include <algorithm>
#include <iomanip>

namespace vidrune::tool {

void GrabSummary::Record(uint32_t code, bool delivered) {
    if (code == 0)
        ++read_;
    else
        ++errors_[code];
    if (delivered)
        ++delivered_;
}

void GrabSummary::FileWritten(const std::string& path) {
    if (files_++ == 0)
        firstFile_ = path;
    lastFile_ = path;
}

bool GrabSummary::AllGood() const {
    return startError_ == 0 && errors_.empty() && read_ == requested_;
}

void GrabSummary::Print(std::ostream& out) const {
    out << "Summary\n";
    out << "  frames read: " << read_ << " of " << requested_ << " without error\n";
    out << "  missed frames: " << requested_ - std::min(delivered_, requested_) << "\n";
    if (skipped_ > 0)
        out << "  skipped to catch up with the camera: " << skipped_
            << (skipped_ == 1 ? " frame" : " frames") << "\n";
    if (startError_ != 0)
        out << "  acquisition: " << ErrorText::Line(startError_) << "\n";
    for (const auto& [code, count] : errors_)
        out << "  " << ErrorText::Line(code) << " (" << count
            << (count == 1 ? " frame)" : " frames)") << "\n";
    for (const auto& [code, count] : errors_) {
        if (const std::string hint = ErrorText::Hint(code); !hint.empty())
            out << "  what to do about error " << code << ": " << hint << "\n";
    }
    out << std::fixed << std::setprecision(1) << "  achieved: ";
    if (seconds_ > 0 && delivered_ > 1)
        out << (delivered_ - 1) / seconds_ << " frames per second";
    else
        out << "too few frames to measure a rate";
    if (expectedRate_ > 0)
        out << " (camera delivers " << expectedRate_ << ")";
    out << "\n";
    if (files_ == 1)
        out << "  file: " << firstFile_ << "\n";
    else if (files_ > 1)
        out << "  files: " << files_ << ", " << firstFile_ << " to " << lastFile_ << "\n";
    else
        out << "  files: none written\n";
}

} // namespace vidrune::tool
