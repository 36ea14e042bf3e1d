#include "tools/tarrow/options.h"

#include <cctype>
#include <vector>

namespace tarrow {
namespace {

struct Option {
  std::string name;  // "--json", "-q"
  bool takes_value;
};

bool NameCharacter(char c) {
  return isalnum(static_cast<unsigned char>(c)) || c == '-';
}

// A value follows an option's name after one blank: a word in capitals or a number ("FILE",
// "N"), or a list of choices ("auto|10|100"). Two blanks start the text of a help line.
bool ValueFollows(const std::string& text, size_t end) {
  if (end + 1 >= text.size() || text[end] != ' ') return false;
  const unsigned char first = static_cast<unsigned char>(text[end + 1]);
  if (isupper(first) || isdigit(first)) return true;
  if (!islower(first)) return false;
  size_t word_end = end + 1;
  while (word_end < text.size() && text[word_end] != ' ' && text[word_end] != ']') ++word_end;
  return text.find('|', end + 1) < word_end;
}

// Every option named in `text`: a "-" that starts a word (after a blank, "[", "|" or the start).
void ReadOptions(const std::string& text, std::vector<Option>& options) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '-' || (i > 0 && text[i - 1] != ' ' && text[i - 1] != '[' &&
                           text[i - 1] != '|' && text[i - 1] != '\n')) {
      continue;
    }
    size_t end = i + 1;
    if (end < text.size() && text[end] == '-') ++end;
    if (end >= text.size() || !isalnum(static_cast<unsigned char>(text[end]))) continue;
    while (end < text.size() && NameCharacter(text[end])) ++end;
    const std::string name = text.substr(i, end - i);
    // "--t38-NAME" in a usage line stands for options that the help names one by one.
    if (name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos) {
      options.push_back({name, ValueFollows(text, end)});
    }
    i = end;
  }
}

const Option* Find(const std::vector<Option>& options, const std::string& name) {
  for (const Option& option : options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

bool IsOption(const std::string& word) {
  return word.size() > 1 && word[0] == '-' && !isdigit(static_cast<unsigned char>(word[1]));
}

}  // namespace

std::string OptionProblem(const Command& command, const Args& args) {
  std::vector<Option> options;
  ReadOptions(command.usage, options);
  ReadOptions(command.help, options);
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") break;
    if (!IsOption(args[i])) continue;
    const size_t equals = args[i].rfind("--", 0) == 0 ? args[i].find('=') : std::string::npos;
    const std::string name = args[i].substr(0, equals);
    const Option* option = Find(options, name);
    if (option == nullptr) return "unrecognized option '" + name + "'";
    if (!option->takes_value && equals != std::string::npos) {
      return "option '" + name + "' doesn't allow an argument";
    }
    if (!option->takes_value || equals != std::string::npos) continue;
    if (i + 1 == args.size()) return "option '" + name + "' requires an argument";
    ++i;
  }
  return "";
}

}  // namespace tarrow
