// The board maintenance operations on a line: firmware download, board state, temperature and
// notification, call signalling state and the board test. The public operations are these in
// the call frame.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

constexpr uint32_t kFirmwarePiece = 8048;      // bytes per piece of an image file
constexpr uint32_t kFirmwareProgress = 51200;  // a progress line each time this much more went out
constexpr uint32_t kFirmwareErrorClass = 5;

// The line capabilities of the board operations.
constexpr uint32_t kCapNoDownload = 88;  // downloads are accepted and dropped
constexpr uint32_t kCapBoard = 91;       // board state, temperature, notification and test
// Trunk hardware with channel-associated signalling: either allows the signalling operations.
constexpr uint32_t kCapSignaling[] = {8, 9};

int FirmwareDownload(VtxLine* line, VtxFirmwareArgs* args);
int FirmwareDownloadData(VtxLine* line, VtxFirmwareArgs* args);

void BoardStateGet(VtxLine* line, VtxBoardStateArgs* args);
void BoardStateSet(VtxLine* line, VtxBoardStateArgs* args);
void BoardTemperatureGet(VtxLine* line, VtxTemperatureArgs* args);
void BoardTemperatureThreshSet(VtxLine* line, VtxTemperatureArgs* args);
void BoardNotify(VtxLine* line, VtxBoardNotifyArgs* args);

int CallSignalingStateMonitor(VtxLine* line, VtxSignalingArgs* args);
int CallSignalingStateSet(VtxLine* line, VtxSignalingArgs* args);

void BoardTest(VtxLine* line, VtxBoardTestArgs* args);

}  // namespace vtx::teleph
