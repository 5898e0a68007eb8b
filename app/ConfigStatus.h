// How the fetch of the configuration document ended.
#pragma once

enum class ConfigStatus {
    // Fetched, authentic where the program carries a key, and parsed into the record.
    Fetched,
    // No document: no answer, one past a limit, or one that does not parse.
    Unavailable,
    // A document the program's key did not sign, which it must not use.
    Unauthentic,
};
