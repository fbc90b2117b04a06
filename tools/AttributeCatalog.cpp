#include "tools/AttributeCatalog.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace vidrune::tool {

namespace {

constexpr AttributeCatalog::Attribute kDevice[] = {
    {"NAME", true},
    {"CONFIG FILE PATH", true},
    {"GRAB DATA BUFFERS", false},
    {"WIDTH", false},
    {"HEIGHT", false},
    {"MAX WIDTH", false},
    {"MAX HEIGHT", false},
    {"MAX USER WIDTH", false},
    {"MAX USER HEIGHT", false},
    {"DATA SCALE", false},
    {"X DATA SCALE", false},
    {"Y DATA SCALE", false},
    {"DATA SKIP", false},
    {"DATA INTERLACE", false},
    {"DATA SIZE", false},
    {"DATA RESOLUTION", false},
    {"DATA SET SIZE", false},
    {"TRIGGER MODE", false},
    {"TRIGGER LEVEL", false},
    {"TRIGGER SOURCE", false},
    {"START GRAB FIELD", false},
    {"MAN SHUTTER", false},
    {"ROTATEDATA", false},
    {"FLIPDATA", false},
    {"DISPLAY MODE", false},
    {"DISPLAY TYPE", false},
    {"DISPLAY NAME", true},
    {"MAX DISPLAY WIDTH", false},
    {"MAX DISPLAY HEIGHT", false},
};

constexpr AttributeCatalog::Attribute kCamera[] = {
    {"PIXEL SIZE", false}, {"INVERTXY", false}, {"ROTATEDATA", false}, {"FLIPDATA", false},
    {"COM PORT", true},    {"COM BAUD", false}, {"COM FLOW", false},   {"COM DELAY", false},
};

constexpr AttributeCatalog::Attribute kMode[] = {
    {"DESCRIPTION", true},      {"CONTROL FILE", true},     {"DATA RATE", false},
    {"DATA SKIP", false},       {"DATA SCALE", false},      {"X DATA SCALE", false},
    {"Y DATA SCALE", false},    {"HORZ. PERIOD", false},    {"VERT. PERIOD", false},
    {"PIXEL CLOCK", false},     {"PITCH MULT", false},      {"DATA INTERLACE", false},
    {"DATA RESOLUTION", false}, {"MAX USER WIDTH", false},  {"MAX USER HEIGHT", false},
    {"MAN SHUTTER US", false},  {"MAN SHUTTER RAW", false}, {"START GRAB FIELD", false},
    {"TRIGGER LEVEL", false},   {"TRIGGER SOURCE", false},  {"COM INIT", true},
    {"NORM INIT", true},        {"CONT INIT", true},
};

constexpr AttributeCatalog::Settable kSettable[] = {
    {"WIDTH", "1 to MAX USER WIDTH", "MAX USER WIDTH"},
    {"HEIGHT", "1 to MAX USER HEIGHT", "MAX USER HEIGHT"},
    {"DATA SCALE", "1, 2 or 4", nullptr},
    {"X DATA SCALE", "1, 2 or 4", nullptr},
    {"Y DATA SCALE", "1, 2 or 4", nullptr},
    {"DATA SKIP", "1 or more (keep one frame in every DATA SKIP)", nullptr},
    {"MAN SHUTTER", "the exposure in microseconds", nullptr},
    {"TRIGGER MODE", "1 (free-running) or 2 (triggered)", nullptr},
    {"TRIGGER LEVEL", "1 (high) or 2 (low)", nullptr},
};

std::string Folded(const std::string& name) {
    std::string folded;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            folded += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return folded;
}

} // namespace

std::span<const AttributeCatalog::Attribute> AttributeCatalog::Device() {
    return kDevice;
}

std::span<const AttributeCatalog::Attribute> AttributeCatalog::Camera() {
    return kCamera;
}

std::span<const AttributeCatalog::Attribute> AttributeCatalog::Mode() {
    return kMode;
}

std::span<const AttributeCatalog::Settable> AttributeCatalog::SettableOnBoard() {
    return kSettable;
}

const AttributeCatalog::Settable* AttributeCatalog::FindSettable(const std::string& name) {
    const auto found = std::find_if(std::begin(kSettable), std::end(kSettable),
                                    [&](const Settable& entry) { return name == entry.name; });
    return found == std::end(kSettable) ? nullptr : found;
}

std::string AttributeCatalog::Suggest(const std::string& name) {
    const std::string folded = Folded(name);
    for (const Settable& entry : kSettable) {
        if (Folded(entry.name) == folded)
            return entry.name;
    }
    return {};
}

} // namespace vidrune::tool
