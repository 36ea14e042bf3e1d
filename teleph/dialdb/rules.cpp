#include "teleph/dialdb/rules.h"

#include <algorithm>
#include <cstdint>

namespace vtx::teleph::dialdb {
namespace {

constexpr size_t kRulesAt = 174;  // where the redial rules begin in the country parameters

uint16_t U16At(const uint8_t* bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Call progress results that count as kind 1: busy tones, dial tones heard again, ringing
// without answer and the SIT tones of a congested network.
bool IsKindB(uint32_t code) {
  return (code >= 301 && code <= 306) || code == 325 || code == 330 || code == 331;
}
constexpr uint32_t kFaxAnswerTone = 339;
constexpr uint32_t kHangupBusy = 3;

uint16_t Incremented(uint16_t count) {
  return count == UINT16_MAX ? count : static_cast<uint16_t>(count + 1);
}

bool Reached(uint8_t limit, uint32_t count) {
  return limit != 0 && count >= limit;
}

// Step 2 of an update: a window that has run out since the record's window start forgets the
// failures it counted.
void ExpireWindows(const Rules& rules, uint32_t now, VtxDialDBRecord* record) {
  const int64_t since = static_cast<int64_t>(now) - record->window_start;
  const bool combined = (record->flags & VTX_DIALDB_WAIT_COMBINED) != 0;
  bool expired = false;
  if (rules.window_a != 0 && since >= rules.window_a) {
    record->count_a = 0;
    if (combined) record->count_b = 0;
    expired = true;
  }
  if (rules.window_b != 0 && since >= rules.window_b) {
    record->count_b = 0;
    if (combined) record->count_a = 0;
    expired = true;
  }
  if (expired) {
    record->flags &= ~(VTX_DIALDB_WAIT_A | VTX_DIALDB_WAIT_B | VTX_DIALDB_WAIT_COMBINED);
    record->window_start = now;
  }
}

// Bars until the end of `window` after the window start, or for good without a window.
void Bar(VtxDialDBRecord* record, uint16_t window, uint16_t waiting_flag, uint16_t barred_flag) {
  if (window != 0) {
    record->next_time = record->window_start + window + 1u;
    record->flags |= waiting_flag;
  } else {
    record->next_time = VTX_DIALDB_BARRED;
    record->flags |= barred_flag;
  }
}

// The first limit reached decides, in the order total, A, B, combined. False when none is.
bool ApplyLimits(const Rules& rules, VtxDialDBRecord* record) {
  if (Reached(rules.limit_total, record->total)) {
    record->flags |= VTX_DIALDB_LIMIT_TOTAL;
    record->next_time = VTX_DIALDB_BARRED;
  } else if (Reached(rules.limit_a, record->count_a)) {
    Bar(record, rules.window_a, VTX_DIALDB_WAIT_A, VTX_DIALDB_LIMIT_A);
  } else if (Reached(rules.limit_b, record->count_b)) {
    Bar(record, rules.window_b, VTX_DIALDB_WAIT_B, VTX_DIALDB_LIMIT_B);
  } else if (Reached(rules.limit_combined, uint32_t{record->count_a} + record->count_b)) {
    Bar(record, rules.window_a != 0 ? rules.window_a : rules.window_b, VTX_DIALDB_WAIT_COMBINED,
        VTX_DIALDB_LIMIT_TOTAL);
  } else {
    return false;
  }
  return true;
}

uint32_t AfterDelay(uint32_t now, uint16_t delay) {
  return delay == 0 ? now : now + delay + 1u;
}

}  // namespace

Rules RulesOf(const uint8_t* p) {
  const uint8_t* r = p + kRulesAt;
  return Rules{r[0],        r[1],         r[2],         r[3],         r[4],        U16At(r, 6),
               U16At(r, 8), U16At(r, 10), U16At(r, 12), U16At(r, 14), U16At(r, 16)};
}

Outcome OutcomeOf(const VtxResult* result) {
  if (result == nullptr) return Outcome::kNoResult;
  if (result->status == CV_STATUS_OK) {
    if (IsKindB(result->line_status)) return Outcome::kKindB;
    return result->line_status == kFaxAnswerTone ? Outcome::kAnswerTone : Outcome::kKindA;
  }
  if (result->status == CV_STATUS_ERROR_HANGUP && result->line_status == kHangupBusy) {
    return Outcome::kKindA;
  }
  return Outcome::kNotCounted;
}

bool UpdateRecord(const Rules& rules, Outcome outcome, bool channel, bool existed, uint32_t now,
                  VtxDialDBRecord* record) {
  // A channel record only counts while numbers have records of their own.
  const bool applies = !(channel && (rules.mode & kModeNumbers) != 0);
  if (record->window_start != 0 && applies) ExpireWindows(rules, now, record);
  if (outcome == Outcome::kAnswerTone) return false;
  if (outcome == Outcome::kKindB) {
    record->count_b = Incremented(record->count_b);
    record->flags = static_cast<uint16_t>((record->flags & ~VTX_DIALDB_LAST_A) | VTX_DIALDB_LAST_B);
  } else if (outcome == Outcome::kKindA) {
    if (channel && (rules.mode & kModeChannelKindA) == 0) return false;
    record->count_a = Incremented(record->count_a);
    record->flags = static_cast<uint16_t>((record->flags & ~VTX_DIALDB_LAST_B) | VTX_DIALDB_LAST_A);
  }
  record->total = Incremented(record->total);
  if (existed) record->flags |= VTX_DIALDB_EXISTED;
  if (record->window_start == 0 || (rules.mode & kModeRestartWindow) != 0) {
    record->window_start = now;
  }

  bool decided = false;
  if (applies && outcome == Outcome::kNoResult) {
    record->next_time = VTX_DIALDB_BARRED;
    record->flags |= VTX_DIALDB_NO_RESULT;
    decided = true;
  } else if (applies) {
    decided = ApplyLimits(rules, record);
  }
  if (!decided) {
    const bool repeated = existed && !channel;
    if (outcome == Outcome::kKindA) {
      record->next_time = AfterDelay(now, repeated ? rules.delay_a_repeat : rules.delay_a_first);
    } else if (outcome == Outcome::kKindB) {
      record->next_time = AfterDelay(now, repeated ? rules.delay_b_repeat : rules.delay_b_first);
    }
  }
  return true;
}

void LookUp(const VtxDialDBRecord& record, bool channel, uint32_t now, Verdict* verdict) {
  const uint16_t flags = record.flags;
  if (record.next_time == 0) return;
  if (record.next_time == VTX_DIALDB_BARRED) {
    verdict->wait_time = -1;
    verdict->reason = (flags & VTX_DIALDB_NO_RESULT)     ? 4
                      : (flags & VTX_DIALDB_LIMIT_A)     ? 5
                      : (flags & VTX_DIALDB_LIMIT_B)     ? 6
                      : (flags & VTX_DIALDB_LIMIT_TOTAL) ? 7
                                                         : 99;
    return;
  }
  if (record.next_time <= now) return;
  verdict->wait_time = static_cast<int32_t>(std::min<uint32_t>(record.next_time - now, INT32_MAX));
  verdict->reason = (flags & VTX_DIALDB_WAIT_A)          ? 8
                    : (flags & VTX_DIALDB_WAIT_B)        ? 9
                    : (flags & VTX_DIALDB_WAIT_COMBINED) ? 10
                    : (flags & VTX_DIALDB_LAST_A)        ? 1
                    : (flags & VTX_DIALDB_LAST_B)        ? (channel ? 11 : 2)
                                                         : 99;
}

bool IsEmergencyNumber(uint32_t country_code, const std::string& cleaned) {
  if (country_code == 0x810) return cleaned == "110" || cleaned == "119";
  if (country_code == 0x8520) return cleaned == "999";
  return false;
}

}  // namespace vtx::teleph::dialdb
