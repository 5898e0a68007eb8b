// How a download ended. The engine's error text goes beside it, for the user and the log only:
// what happens next is decided on this value.
#pragma once

enum class DownloadOutcome {
    // Not ended: not started yet, or still running.
    Pending,
    // The image is complete on disk.
    Done,
    // The user stopped it.
    Stopped,
    // Every link stalled until none was left to change to.
    Stalled,
    // The server did not give the image: no size, an error status, something other than the
    // rest of a partial image, or more or fewer bytes than it announced.
    Refused,
    // The connection failed or timed out.
    Unreachable,
    // The image, its resume record or its folder could not be written or read.
    LocalError,
    // The image is whole but its SHA-256 is not the one the configuration names: it was moved
    // aside and its resume record removed, so that nothing hands it on and the next run starts
    // afresh.
    Damaged,
};
