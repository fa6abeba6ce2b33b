#pragma once

#include "core/UserActions.h"

#include <cstdint>
#include <string>

/// Hears the pages: the Settings page's changes, each reported at once, and the changes the
/// Messages and Accounts pages made to the unread messages. The main window implements it.
class PagesObserver {
public:
    virtual ~PagesObserver() = default;
    virtual void soundFileChanged(const std::u16string& path) = 0;
    /// 0 stops the periodic checks.
    virtual void intervalChanged(std::int32_t minutes) = 0;
    virtual void notificationWindowChanged(bool on) = 0;
    virtual void playSoundChanged(bool on) = 0;
    virtual void autostartChanged(bool on) = 0;
    /// Messages were marked read, or an account's messages were cleared.
    virtual void mailsChanged() = 0;
    /// A page changed the model through UserActions; `result` tells whether it was saved.
    virtual void modelSaved(ActionResult result) = 0;
    /// How the account reaches its mailbox changed (server, port, TLS, login or password).
    virtual void connectionChanged(const std::string& emailAddress) = 0;
};

/// Passes a page's change of the model on to `observer` (which may be null). True when the
/// model changed, saved or not; false when the action changed nothing.
inline bool reportModelChange(PagesObserver* observer, ActionResult result) {
    if (result != ActionResult::Saved && result != ActionResult::NotSaved)
        return false;
    if (observer != nullptr)
        observer->modelSaved(result);
    return true;
}
