// A host of the script library that connects and exits with the library still loaded, the way
// a program other than the Updater may use it. Arguments: the connection parameters.
#include <cstdio>
#include <cstdlib>

#include "script/script_library.h"
#include "script/script_library_abi.h"

namespace {

std::int32_t IBES_CALL PrintConnectError(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  // Left loaded on purpose: the library must cope with the process ending around it.
  auto* library = new updater::ScriptLibrary();
  auto connect = reinterpret_cast<IbesConnectFunction>(library->Find("Connect"));
  if (connect == nullptr || connect(argv[1], PrintConnectError) != 0) return 3;
  std::exit(0);
}
