// The workers of the module operations: each is wrapped by the call frame of its public entry.
#pragma once

#include "vtx.h"

namespace vtx {

int ModuleInfoWorker(VtxLine* line, VtxModuleInfoArgs* args);
int ModuleConfigSpecsGetWorker(VtxLine* line, VtxModuleArgs* args);
int CheckAddressWorker(VtxLine* line, VtxModuleArgs* args);
int CheckFacilityWorker(VtxLine* line, VtxModuleArgs* args);
int ModuleDeactivateWorker(VtxModuleArgs* args);

}  // namespace vtx
