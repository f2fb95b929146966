#pragma once

// The start-up check that the data-access component is present.

namespace quorvane::db {

class UserDialogue;

inline constexpr const char* kAccessNotInstalledMessage =
    "Access is not installed on this computer. You need to have it installed to use this software without error.";

// Runs the provider check (which explains a missing provider itself); when that passes,
// creates the connection object once more and tells the user when none was obtained.
// Never throws; changes nothing else.
void CheckAccessInstalled(UserDialogue& dialogue);

} // namespace quorvane::db
