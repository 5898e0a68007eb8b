// What the entry routine does with an exception that nothing beneath it caught.
#pragma once

// Exit code of a run that an exception ended; the normal runs end with 0 or -1.
constexpr int kUncaughtExceptionExitCode = 1;

// Runs `start` and returns its result. An exception that escapes it is written to the log, where
// the user is sent to read about failures, and ends the run with kUncaughtExceptionExitCode, so
// that a broken run never looks like a successful one.
int RunEntryGuarded(int (*start)());
