#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kestrovalin {

// Tells the user once per replacement that the database file was replaced (see
// DatabaseManager::setReplacementNotice): a box over the form or box that runs at that moment (the active
// window where none runs), opened without a loop of its own, so that answering it returns to that form with
// what was typed. A box that goes with its form (a form that closes itself) has not told it: it comes again
// over what is there next. While no window shows, it waits for one; `whileHidden` may meanwhile tell it
// elsewhere (a tray message). The sign-in and the main window each install it; `home` is where it goes while
// the program is not the active one.
void watchForReplacedFile(QWidget* home = nullptr, std::function<void(const QString&)> whileHidden = {});
// Stops the watch `home` installed; another home's watch stays.
void stopWatchingForReplacedFile(QWidget* home);

} // namespace kestrovalin
