#include "api/module_lookup.h"

#include <strings.h>

#include <cstdio>

#include "api/driver_access.h"
#include "api/status_text.h"
#include "vtx.h"

namespace vtx {

int LookupModule(const char* location) {
  // The page's own version words, so that no record is ever converted for it.
  VtxAppApiVersion = CV_API_VERSION;
  VtxAppBuild = CV_API_BUILD;
  VtxAppANumber = CV_API_ANUMBER;
  // The highest module number follows the address mode, known once the first query has done the
  // driver handshake; until then the lookup assumes the 7-bit mode's limit.
  bool full_byte = false;
  for (uint32_t m = 2;; m = (m + 1) % 256) {
    VtxModuleInfoArgs info{};
    info.mod_num = m;
    VtxModuleInfo(nullptr, &info);
    if (info.status != CV_STATUS_OK) {
      api::StatusText text;
      api::FormStatusText(nullptr, info.status, info.line_status, &text);
      fprintf(stderr, "VtxModuleInfo: %s\n", text.description);
      return -1;
    }
    if (m == 2) full_byte = FullByteAddressMode();
    if (info.exists) {
      char name[65];
      for (int i = 0; i < 64; ++i) name[i] = static_cast<char>(info.name[i] & 0xFF);
      name[64] = '\0';
      if (strcasecmp(name, location) == 0) return static_cast<int>(m);
    }
    if (m + 1 > (full_byte ? 254u : 126u)) return -1;
  }
}

}  // namespace vtx
