#pragma once

// Exit codes of the updater program.
enum ExitCode
{
    kExitSuccess = 0,      // up to date, update handed over, or closed by the user
    kExitFailure = 1,      // the check or the update failed
    kExitBadArguments = 2, // the command line is not the expected one
};
