// A host module library that exports only CIPI_OpenLibrary and CIPI_GetEvent: the framework must
// load it, find no configuration keys and leave the other entry points empty.
#include "callctrl/hostlib/cipi.h"

extern "C" __attribute__((visibility("default"))) int32_t CIPI_OpenLibrary(CIPI_TraceFn,
                                                                           CIPI_ConfigKeyFn,
                                                                           int32_t, char* version) {
  if (version) version[0] = '\0';
  return 0;
}

extern "C" __attribute__((visibility("default"))) int32_t CIPI_GetEvent(int32_t, void*) {
  return CIPI_EVENT_TIMEOUT;
}
