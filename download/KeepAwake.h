// Tells Windows that the system is needed while an object lives, so that idle sleep does not cut
// a download short; the display may still turn off. For the thread that makes it: Windows keeps
// the request per thread.
#pragma once

class KeepAwake {
public:
    KeepAwake();
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;
};
