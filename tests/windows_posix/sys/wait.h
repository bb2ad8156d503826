// _pclose and _cwait give the exit code itself, not a POSIX wait status.
#pragma once

#define WIFEXITED(status) ((status) != -1)
#define WEXITSTATUS(status) (status)
