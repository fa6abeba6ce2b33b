#pragma once

namespace TestSupport {

/// Whether the name "localhost" resolves to 127.0.0.1 on this machine (some containers and
/// chroots have no /etc/hosts entry for it). Tests reach the test servers at 127.0.0.1, which
/// their certificates name too; only the parts about host names themselves need this.
bool localhostResolves();

/// Why such a part was skipped, with what to do.
inline constexpr const char* kNoLocalhost =
    "\"localhost\" does not resolve to 127.0.0.1 on this machine, so the part of this test about "
    "host names cannot run; add \"127.0.0.1 localhost\" to /etc/hosts to run it";

} // namespace TestSupport
