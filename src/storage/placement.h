// Where the main window was: kept between runs in the per-user settings
// (organisation and application "ハルモカ", group "Settings", keys
// "MainLeft", "MainTop", "MainWidth", "MainHeight", twips as text).
#pragma once

struct WindowPlacement {
    int left = 0;   // twips
    int top = 0;
    int width = 0;
    int height = 0;
};

// Returns false when the settings could not be written.
bool writeWindowPlacement(const WindowPlacement &placement);
// Returns false, leaving placement alone, when nothing (or not all four
// values) was stored.
bool readWindowPlacement(WindowPlacement &placement);
