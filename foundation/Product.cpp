#include "foundation/Product.h"

#include <boost/format.hpp>

namespace Norq::Product {

std::string versionText() {
    return (boost::format("Version %d.%d.%d (build %d)") % kMajor % kMinor % kRelease % kBuild)
        .str();
}

} // namespace Norq::Product
