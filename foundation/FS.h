#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace Norq::FS {

/// The folder of installed files ("basis"), relative to the current directory; set once at
/// start-up.
void setRoot(std::string root);
const std::string& root();

/// An installed file opened for binary reading, positioned at its start.
struct File {
    std::ifstream stream;
    std::uint32_t size = 0;
};

/// Opens root + "/" + name; throws OpenFileFailure ("Can't open file [path].") when it can't.
std::unique_ptr<File> openFile(const std::string& name);

} // namespace Norq::FS
