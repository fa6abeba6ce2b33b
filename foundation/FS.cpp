#include "foundation/FS.h"

#include "foundation/Exception.h"

namespace Norq::FS {
namespace {

std::string& rootFolder() {
    static std::string folder = "basis";
    return folder;
}

} // namespace

void setRoot(std::string root) {
    rootFolder() = std::move(root);
}

const std::string& root() {
    return rootFolder();
}

std::unique_ptr<File> openFile(const std::string& name) {
    const std::string path = root() + "/" + name;
    auto file = std::make_unique<File>();
    file->stream.open(path, std::ios::binary);
    if (!file->stream.is_open())
        throw OpenFileFailure("Can't open file [" + path + "].");
    file->stream.seekg(0, std::ios::end);
    const auto end = file->stream.tellg();
    file->size = end > 0 ? static_cast<std::uint32_t>(end) : 0;
    file->stream.seekg(0, std::ios::beg);
    return file;
}

} // namespace Norq::FS
