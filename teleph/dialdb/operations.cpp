// VtxDialDBUpdate, VtxDialDBCheck and VtxDialDBList: each takes the named file lock of the
// database for its whole run, so that every thread and process of the machine sees one record
// per number and no count is lost between a read and its write.
#include <cerrno>
#include <cstring>
#include <string>

#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "os/clock.h"
#include "os/file.h"
#include "os/locks.h"
#include "teleph/dialdb/records.h"
#include "teleph/dialdb/rules.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

using dialdb::FileResult;

// A text field of the record, which an application may have filled to its last byte.
std::string Field(const char* text, size_t size) {
  return std::string(text, strnlen(text, size));
}

bool Synchronous(const VtxLine* line, VtxDialArgs* args) {
  if (args->async_lp == 0 && (line == nullptr || line->nesting == 0)) return true;
  Fail(args, APIERR_ASYNC_LP_ERR);
  return false;
}

constexpr size_t kScanBuffer = 64 * 1024;

// The database file, locked and open for one operation; closed, then unlocked, on destruction.
class Database {
 public:
  explicit Database(std::string name) : name_(std::move(name)) {}
  ~Database() {
    os::FileClose(stream_);
    os::FileLockRelease(name_.c_str(), lock_);
  }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  enum class Opened { kYes, kMissing, kFailed };
  // Takes the lock and opens the file; kFailed with the result words set.
  Opened Open(const VtxLine* line, VtxDialArgs* args, bool for_update) {
    lock_ = os::FileLockAcquire(name_.c_str());
    if (lock_ == nullptr) {
      trace::Message(line, trace::kLevelError, "Dialdb lock failed: %s", name_.c_str());
      Fail(args, APIERR_LOCK_FAILED);
      return Opened::kFailed;
    }
    stream_ = os::FileOpen(name_.c_str(), for_update ? "r+" : "r", true);
    if (stream_ == nullptr && errno == ENOENT && for_update) {
      stream_ = os::FileOpen(name_.c_str(), "w+", true);  // the first update creates the file
    }
    // A device or a directory has no end of records to find.
    if (stream_ != nullptr && os::FileIsRegular(stream_)) {
      // Every search reads from the start: large reads keep a long file's scan to few calls.
      setvbuf(stream_, nullptr, _IOFBF, kScanBuffer);
      return Opened::kYes;
    }
    if (stream_ == nullptr && errno == ENOENT && !for_update) return Opened::kMissing;
    trace::Message(line, trace::kLevelError, "Dialdb open error: %s: %s", name_.c_str(),
                   stream_ != nullptr ? "not a regular file" : strerror(errno));
    Fail(args, APIERR_FILEIO);
    return Opened::kFailed;
  }

  FILE* stream() const { return stream_; }

  // Traces a failed file access and sets the result words. Returns -1.
  int Failed(const VtxLine* line, VtxDialArgs* args, FileResult what) const {
    if (what == FileResult::kReadError) {
      trace::Message(line, trace::kLevelError, "Dialdb read error");
    } else if (what == FileResult::kDamagedEnd) {
      trace::Message(line, trace::kLevelError, "Dialdb damaged: %s ends inside a record",
                     name_.c_str());
    } else {
      trace::Message(line, trace::kLevelError, "Dialdb write error: %s: %s", name_.c_str(),
                     strerror(errno));
    }
    return Fail(args, APIERR_FILEIO);
  }

 private:
  std::string name_;
  os::FileLock* lock_ = nullptr;
  FILE* stream_ = nullptr;
};

std::string ChannelKey(const VtxLine* line) {
  return "x" + std::to_string(line->ordinal);
}

const uint8_t* CountryParams(const VtxLine* line) {
  return line->config.country;
}

// The cleaned number of the record, or false with the result words set when it cannot be a key.
bool NumberKey(const VtxLine* line, VtxDialArgs* args, std::string* key) {
  *key = dialdb::CleanNumber(Field(args->texts.raw_number, sizeof args->texts.raw_number));
  if (dialdb::IsUsableKey(*key)) return true;
  trace::Message(line, trace::kLevelError, "Dialdb number \"%s\" has %s", key->c_str(),
                 key->empty() ? "no digits" : "too many digits");
  Fail(args, APIERR_BADPARAMETER);
  return false;
}

int UpdateOne(const VtxLine* line, VtxDialArgs* args, Database& db, const dialdb::Rules& rules,
              dialdb::Outcome outcome, const std::string& key, bool channel) {
  dialdb::FoundRecord found;
  FileResult result = dialdb::FindRecord(db.stream(), key, &found);
  if (result != FileResult::kOk) return db.Failed(line, args, result);
  const uint32_t now = static_cast<uint32_t>(os::WallSeconds());
  const bool existed = found.position != dialdb::kNoPosition;
  result = dialdb::UpdateRecord(rules, outcome, channel, existed, now, &found.record)
               ? dialdb::WriteRecord(db.stream(), found)
               : dialdb::ClearRecord(db.stream(), found);
  return result == FileResult::kOk ? 0 : db.Failed(line, args, result);
}

int Update(VtxLine* line, VtxDialArgs* args) {
  if (line == nullptr) return Fail(args, APIERR_BADPARAMETER);
  if (!Synchronous(line, args)) return -1;
  const dialdb::Rules rules = dialdb::RulesOf(CountryParams(line));
  if (rules.mode == 0) return 0;
  const dialdb::Outcome outcome = dialdb::OutcomeOf(args->db_res);
  if (outcome == dialdb::Outcome::kNotCounted) return 0;
  std::string key;
  const bool numbers = (rules.mode & dialdb::kModeNumbers) != 0;
  if (numbers && !NumberKey(line, args, &key)) return -1;

  Database db(Field(args->texts.db_file, sizeof args->texts.db_file));
  if (db.Open(line, args, true) != Database::Opened::kYes) return -1;
  int ret = 0;
  if (numbers) ret = UpdateOne(line, args, db, rules, outcome, key, false);
  if (ret == 0 && (rules.mode & dialdb::kModeChannels) != 0) {
    ret = UpdateOne(line, args, db, rules, outcome, ChannelKey(line), true);
  }
  return ret;
}

int LookUpOne(const VtxLine* line, VtxDialArgs* args, Database& db, const std::string& key,
              bool channel) {
  dialdb::FoundRecord found;
  FileResult result = dialdb::FindRecord(db.stream(), key, &found);
  if (result != FileResult::kOk) return db.Failed(line, args, result);
  dialdb::Verdict verdict{args->wait_time, args->reason};
  dialdb::LookUp(found.record, channel, static_cast<uint32_t>(os::WallSeconds()), &verdict);
  args->wait_time = verdict.wait_time;
  args->reason = verdict.reason;
  return 0;
}

int Check(VtxLine* line, VtxDialArgs* args) {
  if (line == nullptr) return Fail(args, APIERR_BADPARAMETER);
  if (!Synchronous(line, args)) return -1;
  args->wait_time = 0;
  args->reason = 0;
  const dialdb::Rules rules = dialdb::RulesOf(CountryParams(line));
  if (rules.mode == 0) return 0;
  const std::string cleaned =
      dialdb::CleanNumber(Field(args->texts.raw_number, sizeof args->texts.raw_number));
  if (dialdb::IsEmergencyNumber(line->config.settings.country_code, cleaned)) {
    args->wait_time = -1;
    args->reason = dialdb::kReasonEmergency;
    return 0;
  }
  std::string key;
  const bool numbers = (rules.mode & dialdb::kModeNumbers) != 0;
  if (numbers && !NumberKey(line, args, &key)) return -1;

  Database db(Field(args->texts.db_file, sizeof args->texts.db_file));
  switch (db.Open(line, args, false)) {
    case Database::Opened::kMissing:
      return 0;
    case Database::Opened::kFailed:
      return -1;
    case Database::Opened::kYes:
      break;
  }
  int ret = 0;
  if (numbers) ret = LookUpOne(line, args, db, key, false);
  if (ret == 0 && (!numbers || args->reason == 0) && (rules.mode & dialdb::kModeChannels) != 0) {
    ret = LookUpOne(line, args, db, ChannelKey(line), true);
  }
  return ret;
}

constexpr int kListEnded = 0;
constexpr int kListNotStarted = 1;
constexpr int kListReadError = 2;

int List(VtxDialArgs* args) {
  if (!Synchronous(nullptr, args)) return kListNotStarted;
  if (args->db_func == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    return kListNotStarted;
  }
  Database db(Field(args->texts.db_file, sizeof args->texts.db_file));
  if (db.Open(nullptr, args, false) != Database::Opened::kYes) {
    if (args->status == CV_STATUS_OK) Fail(args, APIERR_FILEIO);  // a missing file
    return kListNotStarted;
  }
  if (fseek(db.stream(), 0, SEEK_SET) != 0) {
    db.Failed(nullptr, args, FileResult::kReadError);
    return kListReadError;
  }
  for (;;) {
    VtxDialDBRecord record;
    FileResult read = dialdb::ReadRecord(db.stream(), &record);
    if (read == FileResult::kEnd) return kListEnded;
    if (read != FileResult::kOk) {
      db.Failed(nullptr, args, read);
      return kListReadError;
    }
    if (args->db_func(reinterpret_cast<const uint8_t*>(&record), args->arg) != 0) {
      return kListEnded;
    }
  }
}

unsigned long Address(const void* pointer) {
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pointer));
}

}  // namespace

int DialDBUpdate(VtxLine* line, VtxDialArgs* args) {
  const char* name = "VtxDialDBUpdate";
  trace::CallEntry(line, name, "db_file=%s,raw_number=%s,db_res=0x%lX",
                   Field(args->texts.db_file, sizeof args->texts.db_file).c_str(),
                   Field(args->texts.raw_number, sizeof args->texts.raw_number).c_str(),
                   Address(args->db_res));
  int ret = Update(line, args);
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

int DialDBCheck(VtxLine* line, VtxDialArgs* args) {
  const char* name = "VtxDialDBCheck";
  trace::CallEntry(line, name, "db_file=%s,raw_number=%s",
                   Field(args->texts.db_file, sizeof args->texts.db_file).c_str(),
                   Field(args->texts.raw_number, sizeof args->texts.raw_number).c_str());
  int ret = Check(line, args);
  trace::CallReturn(line, name, args, "ret=%d,wait_time=%ld,reason=%d", ret,
                    static_cast<long>(args->wait_time), args->reason);
  return ret;
}

int DialDBList(VtxDialArgs* args) {
  const char* name = "VtxDialDBList";
  trace::CallEntry(nullptr, name, "db_file=%s,db_func=0x%lX,arg=0x%lX",
                   Field(args->texts.db_file, sizeof args->texts.db_file).c_str(),
                   Address(reinterpret_cast<const void*>(args->db_func)), Address(args->arg));
  int ret = List(args);
  trace::CallReturn(nullptr, name, args, "ret=%d", ret);
  return ret;
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxDialDBUpdate(VtxLine* line, VtxDialArgs* args) {
  return Framed<Family::kDialDb, Carry::kInputOnly>(vtx::teleph::DialDBUpdate, line, args);
}

extern "C" int VtxDialDBCheck(VtxLine* line, VtxDialArgs* args) {
  return Framed<Family::kDialDb, Carry::kOutput>(vtx::teleph::DialDBCheck, line, args);
}

extern "C" int VtxDialDBList(VtxDialArgs* args) {
  return Framed<Family::kDialDb, Carry::kInputOnly>(vtx::teleph::DialDBList, args);
}
