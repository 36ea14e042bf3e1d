// The redial rules of the dialling database: which call outcomes count, how one record changes
// with an outcome, and what a record says about dialling its number now. Pure functions of the
// record, the country's rules and the time; the file is dialdb/records.h's.
#pragma once

#include <cstdint>
#include <string>

#include "vtx.h"

namespace vtx::teleph::dialdb {

// Mode bits of the country's rules; any bit enables the database.
constexpr uint8_t kModeNumbers = 0x01;        // keep a record per dialled number
constexpr uint8_t kModeChannels = 0x02;       // keep a record per channel
constexpr uint8_t kModeRestartWindow = 0x04;  // every counted attempt restarts the window
constexpr uint8_t kModeChannelKindA = 0x08;   // channel records count kind-2 failures too

// The country parameters of the redial rules, from position 174 of the block.
struct Rules {
  uint8_t mode;
  uint8_t limit_a;         // kind-2 failures, 0 none
  uint8_t limit_b;         // kind-1 failures, 0 none
  uint8_t limit_combined;  // kind-2 and kind-1 failures together, 0 none
  uint8_t limit_total;     // attempts counted, 0 none
  uint16_t window_a;       // seconds
  uint16_t window_b;
  uint16_t delay_a_first;  // after a first kind-2 failure
  uint16_t delay_a_repeat;
  uint16_t delay_b_first;  // after a first kind-1 failure
  uint16_t delay_b_repeat;
};
Rules RulesOf(const uint8_t* country_params);

// What a call's result words count as.
enum class Outcome {
  kAnswerTone,  // kind 0: fax answer tone; the record is cleared
  kKindB,       // kind 1: busy, reorder, dial tones, ringing without answer, some SIT tones
  kKindA,       // kind 2: any other call progress result, or a busy hangup
  kNoResult,    // kind 3: the application reported no result
  kNotCounted,  // dialling results and everything else: the database is not touched
};
Outcome OutcomeOf(const VtxResult* result);

// Applies one outcome to a record read from the file (`existed`) or a new one, at time `now`.
// Returns false when the record is to be cleared rather than written.
bool UpdateRecord(const Rules& rules, Outcome outcome, bool channel, bool existed, uint32_t now,
                  VtxDialDBRecord* record);

// What the check answers.
struct Verdict {
  int32_t wait_time;  // seconds, -1 refused until cleared, 0 free
  int32_t reason;     // 0 none
};
// Sets `verdict` when the record holds dialling back at time `now`; leaves it otherwise.
void LookUp(const VtxDialDBRecord& record, bool channel, uint32_t now, Verdict* verdict);

constexpr int32_t kReasonEmergency = 3;
// Numbers never dialled under the country code `country_code`, whatever the database holds.
bool IsEmergencyNumber(uint32_t country_code, const std::string& cleaned);

}  // namespace vtx::teleph::dialdb
