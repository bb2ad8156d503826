// Linked into the Windows build of the tools: their standard streams carry
// bytes, as on Linux, so that JSON leaves mimedump.exe without a carriage
// return before each newline and a message read from standard input keeps
// its own line ends.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

// Runs before main, ahead of any output.
const bool kStandardStreamsAreBinary = [] {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  return true;
}();

}  // namespace
