#include "tools/InfoCommand.h"

#include "tools/AttributeCatalog.h"
#include "tools/DeviceSession.h"
#include "tools/PluginApi.h"

#include <cstdio>
#include <functional>
#include <iomanip>
#include <optional>
#include <sstream>

namespace vidrune::tool {

namespace {

constexpr int kNameColumn = 20;

std::string Hex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id);
    return text;
}

std::string Number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

using NumericQuery = std::function<std::optional<double>(const std::string&)>;
using TextQuery = std::function<std::optional<std::string>(const std::string&)>;

// One row per attribute that exists; the others are left out.
void PrintAttributes(std::ostream& out, const char* indent,
                     std::span<const AttributeCatalog::Attribute> attributes,
                     const NumericQuery& numeric, const TextQuery& text) {
    for (const AttributeCatalog::Attribute& attribute : attributes) {
        std::optional<std::string> value;
        if (attribute.text) {
            if (auto found = text(attribute.name))
                value = "\"" + *found + "\"";
        } else if (auto found = numeric(attribute.name)) {
            value = Number(*found);
        }
        if (value)
            out << indent << std::left << std::setw(kNameColumn) << attribute.name << " " << *value
                << "\n";
    }
}

} // namespace

InfoCommand::InfoCommand(SessionOptions options, std::ostream& out)
    : options_(std::move(options)), out_(out) {}

int InfoCommand::Run() {
    const PluginApi api(options_.library);
    DeviceSession session(api);
    session.Initialize(options_.config);
    PrintDevice(session);
    PrintCameras(session);

    // The cameras are enumerated by now; open the chosen ones.
    session.SelectCamera(options_.camera);
    session.SelectMode(options_.mode);
    session.Open();
    for (const std::string& text : options_.sets)
        session.Apply(AttributeAssignment::Parse(text));
    PrintBoard(session);
    return 0;
}

void InfoCommand::PrintDevice(const DeviceSession& session) const {
    const PluginApi& api = session.Api();
    out_ << "Device \"" << session.Text("NAME").value_or("") << "\" (id "
         << Hex(api.GetAcqDeviceId()) << ", type " << api.GetAcqDeviceType() << ")\n";
    out_ << "  configuration        " << session.ConfigPath() << "\n";
    out_ << "  control files from   " << session.Text("CONFIG FILE PATH").value_or("?") << "\n";
    out_ << "  frame buffers        " << session.BufferCount() << "\n";
}

void InfoCommand::PrintCameras(DeviceSession& session) const {
    const PluginApi& api = session.Api();
    for (const std::string& camera : session.CameraNames()) {
        session.SelectCamera(camera);
        out_ << "\nCamera \"" << camera << "\" (id " << Hex(api.GetCurrentInputDevice())
             << ", type " << api.GetInputDeviceType() << ")\n";
        if (session.CameraNumeric("ROTATEDATA").value_or(0) > 0)
            out_ << "  turned a quarter turn: X and Y attribute names are swapped\n";
        PrintAttributes(
            out_, "  ", AttributeCatalog::Camera(),
            [&](const std::string& name) { return session.CameraNumeric(name); },
            [&](const std::string& name) { return session.CameraText(name); });
        PrintModes(session);
    }
}

void InfoCommand::PrintModes(DeviceSession& session) const {
    const PluginApi& api = session.Api();
    for (const std::string& mode : session.ModeNames()) {
        session.SelectMode(mode);
        out_ << "  Mode \"" << mode << "\" (id " << Hex(api.GetCurrentInputMode()) << ")\n";
        PrintAttributes(
            out_, "    ", AttributeCatalog::Mode(),
            [&](const std::string& name) { return session.ModeNumeric(name); },
            [&](const std::string& name) { return session.ModeText(name); });
    }
}

void InfoCommand::PrintBoard(const DeviceSession& session) const {
    out_ << "\nBoard attributes with camera \"" << session.CameraName() << "\", mode \""
         << session.ModeName() << "\" open\n";
    out_ << "  " << std::left << std::setw(kNameColumn) << "ATTRIBUTE"
         << " VALUE\n";
    PrintAttributes(
        out_, "  ", AttributeCatalog::Device(),
        [&](const std::string& name) { return session.Numeric(name); },
        [&](const std::string& name) { return session.Text(name); });
    out_ << "  frame " << session.FrameWidth() << " x " << session.FrameHeight()
         << " pixels as the host reads it\n";
}

} // namespace vidrune::tool
