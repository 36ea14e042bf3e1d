// Driver access: the handshake on every open, the session requests and the driver status names.
// Results follow the driver layer's convention; failures are traced and, where a record is given,
// turned into its result words.
#pragma once

#include <cstdint>

#include "api/address_mode.h"
#include "vtx.h"

namespace vtx {

// The any-facility address byte and the highest module number of the current mode.
uint8_t AnyFacility();
uint32_t HighestModuleNumber();

// Open results.
constexpr int kDriverReady = 0;
constexpr int kDriverOpenFailed = 1;
constexpr int kDriverVersionFailed = 2;

// Opens the board device and checks the driver's interface version. The handle is stored only
// when the driver is ready.
int DriverOpenHandshake(int* handle, VtxDriverVersion* version);
void DriverClose(int* handle);

// A driver request of the line (or of an own handle when `line` is null, then `handle` is used);
// on failure writes the request-failure report and keeps errno in the line.
bool DriverRequest(VtxLine* line, int handle, uint32_t subcommand, void* block,
                   const char* request_name);

// Session requests. `result` receives the result words on failure.
struct SessionParams {
  uint8_t requested_address[4] = {};
  uint32_t buffer_size = 0;
  uint32_t parm1 = 0;
  uint32_t parm2 = 0;
  uint32_t flags = 0;
};
// 0 success (session handle and address out), 1 failure.
int SessionCreate(VtxLine* line, const SessionParams& params, uint32_t* session,
                  uint8_t session_address[4], VtxResult* result);
int SessionDestroy(VtxLine* line, uint32_t session, VtxResult* result);

// Address association results.
constexpr int kAssocError = -1;
constexpr int kAssocNotFound = 0;
constexpr int kAssocDone = 1;
constexpr int kAssocInUse = 2;
int AddressAssociate(VtxLine* line, uint32_t session, uint8_t address[4], VtxResult* result);

}  // namespace vtx
