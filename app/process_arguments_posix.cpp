#include "app/process_arguments.h"

namespace updater {

// The arguments arrive as the bytes typed, which the UTF-8 locales keep as they are.
std::vector<std::string> ProcessArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace updater
