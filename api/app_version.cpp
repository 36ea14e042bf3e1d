// The application's version words, written before its first call.
#include "vtx.h"

extern "C" {
uint32_t VtxAppApiVersion = 0;
uint32_t VtxAppBuild = 0;
uint32_t VtxAppANumber = 0;
}
