#include "app/MainWindowRun.h"

// The main window does not exist yet: the run ends at once with the normal result.
int RunMainWindow() {
    return 0;
}
