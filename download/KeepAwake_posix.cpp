// Away from Windows nothing puts the sanitizer builds' host to sleep.
#include "download/KeepAwake.h"

KeepAwake::KeepAwake() = default;
KeepAwake::~KeepAwake() = default;
