// tarrow lookup: the module number whose name matches a device location text.
#include <cstdio>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"

namespace tarrow {
namespace {

int Run(const Args& args) {
  if (args.size() != 1) {
    fprintf(stderr, "usage: tarrow lookup \"LOCATION\"\n");
    return 2;
  }
  NoteSimulatedBoard();
  int module = vtx::tool::LookupModule(args[0].c_str());
  if (module < 0) return 1;
  printf("%d\n", module);
  return 0;
}

}  // namespace

TARROW_COMMAND("lookup", "lookup \"LOCATION\"",
               "print the module number whose name matches the location text (exit 1: none)", Run);

}  // namespace tarrow
