#pragma once

#include "logic/ConnectionSettings.h"

#include <QObject>

#include <map>
#include <memory>
#include <string>

class CheckSchedule;
class ImapIdler;
class LogicCore;
class ModelEvents;

/// One ImapIdler for each IMAP account of the model, kept in step with the accounts (added,
/// removed, their server or password changed). A change a server reports starts a check of
/// that account at once; after a sleep or a time offline every idler connects again at once.
class ImapIdlers : public QObject {
    Q_OBJECT
public:
    ImapIdlers(LogicCore& core, ModelEvents& events, CheckSchedule& schedule, QObject* parent);
    ~ImapIdlers() override;

    /// Connects every idler again now: its connection may have died unnoticed.
    void restartAll();
    /// The accounts idled on now, for tests.
    std::size_t size() const { return m_idlers.size(); }

private:
    /// Starts an idler for each IMAP account without one, ends those of accounts gone or
    /// no longer IMAP, and starts anew those whose connection settings changed.
    void follow();
    void start(const Logic::ConnectionSettings& settings);

    struct Idling {
        Logic::ConnectionSettings settings;
        std::unique_ptr<ImapIdler> idler;
    };
    LogicCore& m_core;
    CheckSchedule& m_schedule;
    std::map<std::string, Idling> m_idlers;
};
