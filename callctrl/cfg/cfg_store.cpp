// Writing the model back: every line of the list in order, each ending in CR LF.
#include "callctrl/cfg/cfg_configuration.h"

namespace vtx::cfg {

void cfgConfiguration::putLines(cfgTextFile& file, bool dumping) {
  for (cfgLine* line = lines_.head(); line; line = line->next) {
    if (dumping) {
      std::string_view text = line->text.view();
      if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    }
    file.append(line->text, cfgTextFile::kCRLF);
  }
}

bool cfgConfiguration::store(cfgTextFile& file, bool force) {
  check("store('ofile', force)");
  if (!force && (lines_.empty() || !root_->modified_)) return true;
  if (!file.writable()) {
    report(kError, -1,
           "output stream is bad. configuration cannot be stored. Please check your access "
           "rights.");
    return false;
  }
  putLines(file, false);
  return true;
}

bool cfgConfiguration::dump(cfgTextFile& file) {
  check("dump('ofile')");
  if (!file.writable()) {
    report(kError, -1,
           "output stream is bad. configuration cannot be dumped. Please check your access "
           "rights.");
    return false;
  }
  putLines(file, true);
  return true;
}

}  // namespace vtx::cfg
