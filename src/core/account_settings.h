#pragma once

namespace rz {

struct AppState;

// Loads and saves the signed-in account's four strings in the settings file.
class MGlobalsOnline
{
public:
    // Reads each key with the string's current value as its default.
    static void LoadConfig(AppState& state);
    // Writes all four strings and saves, as one exclusive transaction on the settings file.
    static bool SaveConfig(AppState& state);
};

} // namespace rz
