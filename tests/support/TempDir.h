#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace vidrune::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir() {
        // create_directory reports whether it made the folder, so two tests never share one.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto path = std::filesystem::temp_directory_path() /
                              ("vidrune-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(path, error))
                path_ = path.string();
        }
        if (path_.empty())
            throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // The path of a file in the folder; name may hold '/', which becomes the OS's separator.
    std::string File(const std::string& name) const {
        return (std::filesystem::path(path_) / name).make_preferred().string();
    }

    // Writes the file exactly as given and returns its path.
    std::string Write(const std::string& name, const std::string& content) const {
        std::string file = File(name);
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << content;
        return file;
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
};

} // namespace vidrune::test
