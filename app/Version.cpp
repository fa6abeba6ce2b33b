#include "app/Version.h"

#include <boost/format.hpp>

namespace Version {

std::string text() {
    return (boost::format("Version %d.%d.%d (build %d)") % kMajor % kMinor % kRelease % kBuild)
        .str();
}

} // namespace Version
