#include "shell/ImapIdlers.h"

#include "core/ModelReader.h"
#include "shell/CheckSchedule.h"
#include "transport/ImapIdler.h"
#include "ui/ModelEvents.h"

ImapIdlers::ImapIdlers(LogicCore& core, ModelEvents& events, CheckSchedule& schedule,
                       QObject* parent)
    : QObject(parent), m_core(core), m_schedule(schedule) {
    connect(&events, &ModelEvents::accountAdded, this, &ImapIdlers::follow);
    connect(&events, &ModelEvents::accountRemoved, this, &ImapIdlers::follow);
    connect(&events, &ModelEvents::accountChanged, this, &ImapIdlers::follow);
    follow();
}

// Stops the threads before the object goes: a change they report meanwhile is dropped with the
// queued call.
ImapIdlers::~ImapIdlers() {
    for (auto& [address, idling] : m_idlers)
        idling.idler->requestStop();
    m_idlers.clear();
}

void ImapIdlers::restartAll() {
    for (auto& [address, idling] : m_idlers) {
        idling.idler->stop();
        idling.idler->start();
    }
}

void ImapIdlers::follow() {
    std::map<std::string, Logic::ConnectionSettings> wanted;
    const ModelReader reader(m_core);
    for (const AccountView& account : reader.accounts()) {
        if (!account.imap)
            continue;
        if (const auto copy = reader.accountSettings(account.emailAddress))
            wanted.emplace(account.emailAddress, copy->connectionSettings);
    }
    std::erase_if(m_idlers, [&](const auto& held) {
        const auto found = wanted.find(held.first);
        return found == wanted.end() || found->second != held.second.settings;
    });
    for (const auto& [address, settings] : wanted) {
        if (!m_idlers.contains(address))
            start(settings);
    }
}

void ImapIdlers::start(const Logic::ConnectionSettings& settings) {
    const std::string address = settings.emailAddress();
    auto idler = std::make_unique<ImapIdler>(settings, [this, address] {
        QMetaObject::invokeMethod(
            this, [this, address] { m_schedule.checkAccount(address); }, Qt::QueuedConnection);
    });
    idler->start();
    m_idlers[address] = {settings, std::move(idler)};
}
