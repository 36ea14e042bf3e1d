// The argument readers that every command shares.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"

namespace tarrow {

bool TakeFlag(Args& args, const std::string& flag) {
  for (auto it = args.begin(); it != args.end() && *it != "--"; ++it) {
    if (*it == flag) {
      args.erase(it);
      return true;
    }
  }
  return false;
}

std::string TakeOption(Args& args, const std::string& option, const std::string& fallback) {
  for (auto it = args.begin(); it != args.end() && *it != "--"; ++it) {
    if (*it == option && it + 1 != args.end()) {
      std::string value = *(it + 1);
      args.erase(it, it + 2);
      return value;
    }
    if (it->rfind(option + "=", 0) == 0) {
      std::string value = it->substr(option.size() + 1);
      args.erase(it);
      return value;
    }
  }
  return fallback;
}

bool NamedFileReadable(const char* command, const char* option, const std::string& path,
                       uint64_t limit) {
  std::string error;
  FILE* file = vtx::tool::OpenRegularFile(path.c_str(), false, limit, error);
  if (file) {
    fclose(file);
    return true;
  }
  fprintf(stderr, "tarrow %s: %s %s\n", command, option, error.c_str());
  return false;
}

bool ReadNumber(const std::string& text, int base, unsigned long max, unsigned long& out) {
  std::string digits = text;
  if (base == 0) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    base = hex ? 16 : 10;
    if (hex) digits = text.substr(2);
  }
  const auto digit = [base](char c) {
    return base == 16 ? isxdigit(static_cast<unsigned char>(c)) != 0
                      : isdigit(static_cast<unsigned char>(c)) != 0;
  };
  if (digits.empty()) return false;
  for (char c : digits) {
    if (!digit(c)) return false;
  }
  errno = 0;
  const unsigned long value = strtoul(digits.c_str(), nullptr, base);
  if (errno != 0 || value > max) return false;
  out = value;
  return true;
}

bool ParseModuleNumber(const std::string& text, unsigned& out) {
  unsigned long value = 0;
  if (!ReadNumber(text, 0, 255, value)) {
    fprintf(stderr,
            "tarrow: expected a module number from 0 to 255 (decimal, or hexadecimal with 0x), "
            "got \"%s\"\n",
            text.c_str());
    return false;
  }
  out = static_cast<unsigned>(value);
  return true;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace tarrow
