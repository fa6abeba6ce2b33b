#include "cli/SingleInstance.h"

#include "cli/InstanceProtocol.h"
#include "foundation/Exception.h"
#include "foundation/NameChecksum.h"
#include "foundation/Product.h"
#include "foundation/Reporter.h"
#include "platform/LocalConnection.h"
#include "platform/SpecialFolders.h"

#include <cstdio>
#include <thread>

namespace {

// Several data folders (several test runs, say) may share one runtime folder: the socket is
// named after the data folder it serves. It lives where only this user can enter (another
// user's folder would let them take the name first); empty when there is no such folder.
std::string socketPathFor(const std::filesystem::path& dataFolder) {
    char checksum[9];
    std::snprintf(checksum, sizeof checksum, "%08x",
                  static_cast<unsigned>(Norq::nameChecksum(dataFolder.string())));
    const std::string name = std::string(Norq::Product::kName) + '-' + checksum;
    const std::filesystem::path folder =
        Platform::privateRuntimeFolder(dataFolder / "run", "quorvex-velomar", name.size());
    if (folder.empty()) {
        Norq::report("Desktop", "no private folder for the local socket", dataFolder.string());
        return {};
    }
    return (folder / name).string();
}

// The largest answer read: a JSON check report of thousands of new messages fits many times.
constexpr std::size_t kMaxReplySize = 64 * 1024 * 1024;

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& dataFolder)
    : m_lock(dataFolder), m_socketPath(socketPathFor(dataFolder)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::claim(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (m_lock.tryTake())
            return Role::First;
        if (!m_lock.canBeHeld()) {
            Norq::report("Desktop", "no instance lock", m_lock.file().string());
            return Role::First;
        }
        if (m_socketPath.empty())
            throw Norq::Exception("Another Quorvex Velomar holds " + m_lock.file().string() +
                                  ", and there is no folder that only you can enter for reaching "
                                  "it (set XDG_RUNTIME_DIR to one); try again once it has ended.");
        m_connection = std::make_unique<Platform::LocalConnection>();
        if (m_connection->connect(m_socketPath, std::chrono::seconds(1)))
            return Role::Second;
        if (std::chrono::steady_clock::now() > deadline)
            throw Norq::Exception("Another Quorvex Velomar holds " + m_lock.file().string() +
                                  " but does not answer; try again once it has ended.");
        // Nothing to wait on but time: the holder is starting up or busy with a headless check.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

JobOutput SingleInstance::ask(const std::vector<std::string>& arguments, const std::string& input) {
    std::string received;
    // The answer may take as long as a check: wait until it is complete or the connection ends.
    if (m_connection != nullptr &&
        m_connection->send(InstanceProtocol::encodeRequest(arguments, input))) {
        while (received.size() <= kMaxReplySize) {
            if (const auto reply = InstanceProtocol::decodeReply(received))
                return *reply;
            if (!m_connection->receive(received))
                break;
        }
        if (const auto reply = InstanceProtocol::decodeReply(received))
            return *reply;
    }
    // Closed before a byte of the answer came: the running program takes only so many requests
    // at a time and closes the others at once, unread.
    if (m_connection != nullptr && received.empty())
        return {1,
                {},
                "velomar: the running Quorvex Velomar closed the connection without "
                "answering (it takes only so many requests at a time); try again in a "
                "moment\n"};
    return {1, {}, "velomar: the running Quorvex Velomar ended without answering\n"};
}
