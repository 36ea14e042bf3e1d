// Writing the model back: every line of the list in order, each ending in CR LF.
#include "cfg/cfg_configuration.h"

namespace vtx::cfg {

bool cfgConfiguration::putLines(cfgTextFile& file, bool dumping) {
  if (!file.writable()) {
    report(kError, -1,
           "output stream is bad. configuration cannot be %s. Please check your access rights.",
           dumping ? "dumped" : "stored");
    return false;
  }
  for (cfgLine* line = lines_.head(); line; line = line->next) {
    std::string_view text = lineText(line, scratch_);
    if (dumping && (text.empty() || text[0] == ';' || text[0] == '#')) continue;
    file.append(cfgString(text), cfgTextFile::kCRLF);
  }
  return true;
}

bool cfgConfiguration::store(cfgTextFile& file, bool force) {
  check("store('ofile', force)");
  if (!force && (lines_.empty() || !root_->modified_)) return true;
  return putLines(file, false);
}

bool cfgConfiguration::dump(cfgTextFile& file) {
  check("dump('ofile')");
  return putLines(file, true);
}

}  // namespace vtx::cfg
