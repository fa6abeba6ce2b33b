#pragma once

#include <memory>

class ConnectionTestThread;

/// Where a connection test goes when its dialog closes while it still runs. Closing must not
/// wait on the network, so the test is asked to stop and kept here instead of being waited
/// for; it is let go once it has ended, at the latest when the program ends.
namespace AbandonedConnectionTests {

/// Cuts the test off from its listener, asks it to stop and keeps it until it has ended. Tests
/// kept earlier that have ended are let go on the way.
void keep(std::unique_ptr<ConnectionTestThread> test);
/// Waits for every kept test; each was asked to stop, so this takes a moment at most. For the
/// end of the program, before the libraries the tests use are shut down.
void joinAll();

} // namespace AbandonedConnectionTests
