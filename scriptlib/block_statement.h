#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace updater::scriptlib {

// EXECUTE IBEBLOCK (Name = 'value', ...) [OUTPUT TO Name] [RETURNS (...)] AS <PSQL body>
// The body runs on the server as an EXECUTE BLOCK with every parameter declared as a text
// variable; each row it returns is one line of the output file, named by the parameter that
// OUTPUT TO names, else by the first parameter.
struct BlockStatement {
  std::vector<std::pair<std::string, std::string>> params;
  std::string output_file;
  std::string sql;  // the EXECUTE BLOCK to run
};

class BlockSyntaxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool IsBlockStatement(std::string_view text);
// Throws BlockSyntaxError.
BlockStatement ParseBlockStatement(std::string_view text);

}  // namespace updater::scriptlib
