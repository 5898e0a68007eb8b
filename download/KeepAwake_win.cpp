#include <windows.h>

#include "download/KeepAwake.h"

KeepAwake::KeepAwake() {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

KeepAwake::~KeepAwake() {
    SetThreadExecutionState(ES_CONTINUOUS);
}
