#pragma once

#include <string>

/// How a user action on the model ended.
enum class ActionResult {
    Saved,         ///< changed, and the data file holds the change
    NotSaved,      ///< changed in memory, but the data file could not be written
    NoSuchAccount, ///< no account has that address (any more): nothing changed
    AddressTaken,  ///< another account already has that address: nothing changed
};

/// What one user action changed in the model.
struct ModelChange {
    enum class Kind {
        AccountAdded,
        /// NotSaved: the account could not be saved away and is still there.
        AccountRemoved,
        /// The account's settings were replaced; how it reaches its mailbox stayed the same.
        AccountEdited,
        /// Server, port, TLS, login or password changed: its last check says nothing now.
        AccountReachedAnew,
        /// Messages were marked read.
        Unread,
    };
    Kind kind;
    /// The account concerned; empty for a change of the messages.
    std::string emailAddress;
    /// Saved or NotSaved: an action that changed nothing is not told.
    ActionResult result;
};

/// Hears what the user's actions change, on the thread that acted, once the action has let go
/// of the model's lock.
class ModelObserver {
public:
    virtual ~ModelObserver() = default;
    virtual void modelChanged(const ModelChange& change) = 0;
};
