// App folders under /tmp, removed with everything in them.
#include "app_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "process.h"
#include "wine_session.h"

namespace harness {

namespace fs = std::filesystem;

AppFolder::AppFolder(Program program)
{
    char root[] = "/tmp/ostrel-e2e-XXXXXX";
    if (!mkdtemp(root))
        throw std::runtime_error("mkdtemp failed");
    root_ = root;
    path_ = root_ + "/ostrel app";
    elsewhere_ = root_ + "/started from here";
    fs::create_directories(path_);
    fs::create_directories(elsewhere_);
    if (program == Program::Package) {
        const auto unzipped = runCommand({"unzip", "-q", packagePath(), "-d", path_}, {}, 60s);
        if (unzipped.exitCode != 0)
            throw std::runtime_error("unzip failed: " + unzipped.output);
        return;
    }
    fs::copy_file(windowsBuildPath(program == Program::Release ? "ostrel.exe" : "tests/ostrel_layout_probe.exe"),
                  exePath());
    if (fs::exists(windowsBuildPath("assets")))
        fs::copy(windowsBuildPath("assets"), path_ + "/assets", fs::copy_options::recursive);
}

std::string packagePath()
{
    return std::string(OSTREL_SOURCE_DIR) + "/out/ostrel-mapper.zip";
}

std::string setupPath()
{
    return std::string(OSTREL_SOURCE_DIR) + "/out/ostrel-mapper-setup.exe";
}

AppFolder::~AppFolder()
{
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void AppFolder::writeFile(const std::string& name, const std::string& bytes) const
{
    std::filesystem::create_directories(std::filesystem::path(path_ + "/" + name).parent_path());
    std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + name);
}

std::optional<std::string> AppFolder::readFile(const std::string& name) const
{
    return readWholeFile(path_ + "/" + name);
}

bool AppFolder::exists(const std::string& name) const
{
    return fs::exists(path_ + "/" + name);
}

void AppFolder::remove(const std::string& name) const
{
    fs::remove_all(path_ + "/" + name);
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace harness
