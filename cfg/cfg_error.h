// The one exception of the library: the configuration classes raise it for programming errors
// (an invalid object, a bad index, memory exhaustion). Configuration problems in a file are never
// raised; they go to the configuration's message callback.
#pragma once

#include <stdexcept>
#include <string>

namespace vtx::cfg {

class cfgError : public std::runtime_error {
 public:
  explicit cfgError(const char* text) : std::runtime_error(text) {}
  explicit cfgError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace vtx::cfg
