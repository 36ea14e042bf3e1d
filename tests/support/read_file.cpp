#include <fstream>
#include <sstream>

#include "tests/support/program.h"

namespace vtx::testing {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace vtx::testing
