// tarrow dialdb: the dialling database of this machine's applications, for an administrator who
// wants to see why a number is refused, to try the rules, and to release a barred number.
//
// The rules come from the built-in USA country parameters, or from the record of `--country` in
// the country parameter file `--cparm`. A number is cleared the way an application clears it: by
// reporting a call answered with fax answer tone.
#include <time.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/reset_status.h"
#include "api/tool_support.h"
#include "lineconfig/country_params.h"
#include "teleph/dialdb/records.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char* const kUsage =
    "dialdb list FILE [--json] | check FILE NUMBER [OPTIONS] |\n"
    "                 update FILE NUMBER --outcome OUTCOME [OPTIONS] | clear FILE NUMBER "
    "[OPTIONS]";

constexpr uint32_t kFaxAnswerTone = 339;
constexpr int32_t kReasonEmergency = 3;

struct FlagName {
  uint16_t bit;
  const char* name;
};
const FlagName kFlagNames[] = {
    {VTX_DIALDB_LAST_A, "last_kind2"},   {VTX_DIALDB_LAST_B, "last_kind1"},
    {VTX_DIALDB_NO_RESULT, "no_result"}, {VTX_DIALDB_LIMIT_A, "limit_a"},
    {VTX_DIALDB_LIMIT_B, "limit_b"},     {VTX_DIALDB_LIMIT_TOTAL, "limit_total"},
    {VTX_DIALDB_EXISTED, "existed"},     {VTX_DIALDB_WAIT_A, "wait_a"},
    {VTX_DIALDB_WAIT_B, "wait_b"},       {VTX_DIALDB_WAIT_COMBINED, "wait_combined"},
};

std::vector<std::string> FlagNames(uint16_t flags) {
  std::vector<std::string> names;
  for (const FlagName& flag : kFlagNames) {
    if ((flags & flag.bit) != 0) names.push_back(flag.name);
  }
  return names;
}

const char* ReasonText(int32_t reason) {
  switch (reason) {
    case 1:
      return "waiting after a kind-2 failure";
    case 2:
      return "waiting after a busy or unanswered call";
    case 3:
      return "an emergency number of the country";
    case 4:
      return "barred: a call was reported without its result";
    case 5:
      return "barred: limit A of kind-2 failures reached";
    case 6:
      return "barred: limit B of busy or unanswered calls reached";
    case 7:
      return "barred: total or combined limit reached";
    case 8:
      return "waiting out the window of limit A";
    case 9:
      return "waiting out the window of limit B";
    case 10:
      return "waiting out the window of the combined limit";
    case 11:
      return "waiting after a busy or unanswered call on this channel";
    default:
      return "refused by the record";
  }
}

std::string NextTime(uint32_t next_time) {
  if (next_time == 0) return "-";
  if (next_time == VTX_DIALDB_BARRED) return "barred";
  const time_t when = static_cast<time_t>(next_time);
  tm local{};
  localtime_r(&when, &local);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

VtxDialArgs DialArgs(const std::string& file, const std::string& number) {
  VtxDialArgs args{};
  snprintf(args.texts.db_file, sizeof args.texts.db_file, "%s", file.c_str());
  snprintf(args.texts.raw_number, sizeof args.texts.raw_number, "%s", number.c_str());
  return args;
}

// ---- list

// A key a record can hold: terminated within its field, and a number of digits, "*" and "#",
// or "x" and a channel ordinal; an empty key is a free slot.
bool KeyIsSound(const VtxDialDBRecord& record) {
  const size_t length = strnlen(record.key, sizeof record.key);
  if (length == sizeof record.key) return false;
  const std::string key(record.key, length);
  if (key.empty()) return true;
  if (key[0] == 'x') {
    return key.size() > 1 &&
           key.find_first_not_of("0123456789", key[1] == '-' ? 2 : 1) == std::string::npos;
  }
  return key.find_first_not_of("0123456789*#") == std::string::npos;
}

struct Listing {
  std::vector<VtxDialDBRecord> records;
};

int Collect(const uint8_t* bytes, void* arg) {
  VtxDialDBRecord record;
  memcpy(&record, bytes, sizeof record);
  static_cast<Listing*>(arg)->records.push_back(record);
  return 0;
}

// The record is packed: its numbers go in as copies.
Json RecordJson(const VtxDialDBRecord& record, size_t position) {
  return Json{{"position", position},
              {"key", record.key},
              {"next_time", +record.next_time},
              {"next", record.next_time == 0 ? Json() : Json(NextTime(record.next_time))},
              {"window_start", +record.window_start},
              {"count_a", +record.count_a},
              {"count_b", +record.count_b},
              {"total", +record.total},
              {"flags", FlagNames(+record.flags)}};
}

void PrintRecordRow(const VtxDialDBRecord& record) {
  std::string flags;
  for (const std::string& name : FlagNames(record.flags))
    flags += (flags.empty() ? "" : ",") + name;
  printf("%-24s %-19s %7u %7u %7u  %s\n", record.key, NextTime(record.next_time).c_str(),
         record.count_a, record.count_b, record.total, flags.empty() ? "-" : flags.c_str());
}

int List(const std::string& file, bool json) {
  Listing listing;
  VtxDialArgs args = DialArgs(file, "");
  args.db_func = Collect;
  args.arg = &listing;
  const int walked = VtxDialDBList(&args);
  if (walked == 1) {
    Error("cannot read \"" + file + "\"");
    return 1;
  }
  std::vector<std::string> damage;
  size_t free_slots = 0;
  size_t numbers = 0;
  Json records = Json::array();
  if (!json)
    printf("%-24s %-19s %7s %7s %7s  %s\n", "KEY", "NEXT", "KIND2", "KIND1", "TOTAL", "FLAGS");
  for (size_t i = 0; i < listing.records.size(); ++i) {
    const VtxDialDBRecord& record = listing.records[i];
    const size_t position = i * VTX_DIALDB_RECORD_SIZE;
    if (!KeyIsSound(record)) {
      damage.push_back(file + ": record at byte " + std::to_string(position) +
                       " is damaged: its key is not a number");
      continue;
    }
    if (record.key[0] == '\0') {
      ++free_slots;
      continue;
    }
    ++numbers;
    if (json) {
      records.push_back(RecordJson(record, position));
    } else {
      PrintRecordRow(record);
    }
  }
  if (walked == 2) {
    const size_t position = listing.records.size() * VTX_DIALDB_RECORD_SIZE;
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    damage.push_back(file + ": damaged at byte " + std::to_string(position) + ": " +
                     (error || size <= position
                          ? std::string("the file cannot be read there")
                          : "the file ends " + std::to_string(size - position) +
                                " bytes into a 96-byte record"));
  }
  if (json) {
    PrintJson(Json{
        {"file", file}, {"records", records}, {"free_slots", free_slots}, {"damaged", damage}});
  } else {
    printf("%zu records, %zu free slots\n", numbers, free_slots);
  }
  for (const std::string& problem : damage) fprintf(stderr, "%s\n", problem.c_str());
  return damage.empty() ? 0 : 1;
}

// ---- check, update, clear

// The line the rules are taken from: the country parameters and the channel ordinal.
std::unique_ptr<VtxLine> RulesLine(Args& args) {
  uint32_t country = vtx::kUsaCountryCode;
  uint32_t channel = 0;
  const std::string country_text = TakeOption(args, "--country", "");
  const std::string channel_text = TakeOption(args, "--channel", "");
  const std::string cparm = TakeOption(args, "--cparm", "");
  const bool prefixed = country_text.rfind("0x", 0) == 0 || country_text.rfind("0X", 0) == 0;
  if (!country_text.empty() &&
      !ParseNumber("--country", prefixed ? country_text : "0x" + country_text, 0xFFFF, country)) {
    return nullptr;
  }
  if (!channel_text.empty() && !ParseNumber("--channel", channel_text, 0x7FFFFFFF, channel)) {
    return nullptr;
  }
  auto line = vtx::tool::ConfigOnlyLine(country, static_cast<int32_t>(channel), cparm);
  vtx::SetDefaultCountryParams(line.get());
  if (cparm.empty()) return line;
  if (vtx::LoadCountryParams(line.get(), nullptr) != 0 ||
      (line->reset_status & vtx::kResetCountryCode) != 0) {
    char code[16];
    snprintf(code, sizeof code, "%X", country);
    Error("\"" + cparm + "\" has no parameters for country " + code);
    return nullptr;
  }
  return line;
}

// The result words an outcome name stands for; false for an unknown name.
bool OutcomeResult(const std::string& outcome, VtxResult* result, bool* none) {
  *none = outcome == "none";
  *result = VtxResult{CV_STATUS_OK, 0};
  if (outcome == "answered") result->line_status = 317;  // answer, silence
  if (outcome == "fax") result->line_status = kFaxAnswerTone;
  if (outcome == "busy") result->line_status = 301;
  if (outcome == "no-answer") result->line_status = 325;
  if (result->line_status != 0 || *none) return true;
  uint32_t code = 0;
  if (!ParseNumber("--outcome", outcome, 0xFFFF, code)) return false;
  result->line_status = code;
  return true;
}

int Check(const VtxLine& line, const std::string& file, const std::string& number) {
  VtxDialArgs args = DialArgs(file, number);
  if (VtxDialDBCheck(const_cast<VtxLine*>(&line), &args) != 0) {
    return ReportOutcome(&line, -1, args.status, args.line_status);
  }
  if (args.reason == 0) {
    printf("%s: free\n", number.c_str());
  } else if (args.wait_time < 0) {
    printf("%s: refused%s (reason %d: %s)\n", number.c_str(),
           args.reason == kReasonEmergency ? "" : " until cleared", args.reason,
           ReasonText(args.reason));
  } else {
    printf("%s: wait %d s (reason %d: %s)\n", number.c_str(), args.wait_time, args.reason,
           ReasonText(args.reason));
  }
  return 0;
}

int Update(VtxLine& line, const std::string& file, const std::string& number,
           const VtxResult* result) {
  VtxDialArgs args = DialArgs(file, number);
  args.db_res = result;
  if (VtxDialDBUpdate(&line, &args) != 0) {
    return ReportOutcome(&line, -1, args.status, args.line_status);
  }
  return Check(line, file, number);
}

int Run(const Args& given) {
  Args args = given;
  const std::string verb = args.empty() ? "" : args[0];
  if (verb == "list") {
    const bool json = TakeFlag(args, "--json");
    if (args.size() == 2) return List(args[1], json);
  } else if (verb == "check" || verb == "update" || verb == "clear") {
    const std::string outcome = TakeOption(args, "--outcome", "");
    auto line = RulesLine(args);
    if (line == nullptr) return 2;
    if (args.size() == 3 && (verb == "update") == !outcome.empty()) {
      if (verb == "check") return Check(*line, args[1], args[2]);
      VtxResult result{CV_STATUS_OK, kFaxAnswerTone};
      bool none = false;
      if (verb == "update" && !OutcomeResult(outcome, &result, &none)) return 2;
      return Update(*line, args[1], args[2], none ? nullptr : &result);
    }
  }
  fprintf(stderr, "usage: tarrow %s\n", kUsage);
  return 2;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (list; docs/json.md)\n"
    "  --outcome OUTCOME  answered, fax (fax answer tone: clears), busy, no-answer, none (no "
    "result),\n"
    "                     or a call progress code\n"
    "  --country HEX      the country code (default 10, the USA)\n"
    "  --channel N        the channel ordinal (default 0)\n"
    "  --cparm FILE       the country's rules from a country parameter file\n"
    "\n"
    "Example:\n"
    "  tarrow dialdb update dial.db 5551234 --outcome busy\n";

TARROW_COMMAND("dialdb", kUsage, "show, check, update and clear a dialling database", Run, kHelp);

}  // namespace tarrow
