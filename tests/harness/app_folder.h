// A fresh folder holding ostrel.exe and assets/, whose path contains a blank, as an operator would have it.
#pragma once

#include <optional>
#include <string>

namespace harness {

// Which build of the program the folder holds, always as "ostrel.exe".
enum class Program {
    Release,      // the program itself
    LayoutProbe,  // the same program reporting its panel's layout in "panel-layout.txt"
    Package,      // what out/ostrel-mapper.zip holds, unzipped as a user would
};

// The release zip and the installer that scripts/package writes.
std::string packagePath();
std::string setupPath();

class AppFolder {
public:
    explicit AppFolder(Program program = Program::Release);
    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;
    ~AppFolder();

    // The folder of the executable ("... /ostrel app").
    const std::string& path() const { return path_; }
    std::string exePath() const { return path_ + "/ostrel.exe"; }
    // Another folder beside it, to start the program from.
    const std::string& elsewhere() const { return elsewhere_; }

    void writeFile(const std::string& name, const std::string& bytes) const;
    std::optional<std::string> readFile(const std::string& name) const;
    bool exists(const std::string& name) const;
    void remove(const std::string& name) const;

private:
    std::string root_;
    std::string path_;
    std::string elsewhere_;
};

// The bytes of a file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

} // namespace harness
