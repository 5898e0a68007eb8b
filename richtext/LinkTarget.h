// What clicking a link does, decided from its target text alone.
#pragma once

#include <string>

struct LinkTarget {
    enum class Kind {
        // "button:N": WM_COMMAND N to the window hosting the label.
        kCommand,
        // An http or https address, optionally in double quotes: opened by the shell.
        kWebAddress,
        // Anything else. The shell would run programs, open files or unknown protocols for
        // such a target, so it is never handed over.
        kRefused,
    };

    Kind kind = Kind::kRefused;
    // Command id for kCommand: the low 16 bits of the number after "button:".
    unsigned short command = 0;

    static LinkTarget Classify(const std::wstring& target);
};
