#include "display/win32/ResourceLibrary.h"

#include "platform/FileSystem.h"
#include "platform/win32/WindowsHeaders.h"

namespace vidrune {

ResourceLibrary::ResourceLibrary(const std::string& name) {
    using platform::FileSystem;
    // A host that loads the plug-in from another folder than its own still finds the
    // resources shipped beside the plug-in. Loaded as data: the library has no code.
    const std::string folder = FileSystem::FolderOf(
        FileSystem::ModulePathOf(reinterpret_cast<const void*>(&kDefaultName)));
    const std::string beside = FileSystem::Join(folder, name + ".dll");
    if (!folder.empty() && FileSystem::KindOf(beside) == FileSystem::Kind::File)
        module_ = ::LoadLibraryA(beside.c_str());
    if (module_ == nullptr)
        module_ = ::LoadLibraryA(name.c_str());
}

ResourceLibrary::~ResourceLibrary() {
    if (module_ != nullptr)
        ::FreeLibrary(module_);
}

} // namespace vidrune
