// The main window's run: frameworks up, the main window as the modal main loop, frameworks down.
#pragma once

struct CloudConfig;

// Returns the modal result: 0 on the normal quit path, -1 when the window cannot be created.
int RunMainWindow(const CloudConfig& config);
