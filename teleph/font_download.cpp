// Font download: a font goes to the module between a START and a FINISH of the FAX facility's
// font download mode, as DATA commands of at most 1006 bytes. The first piece starts the
// download, a call without a buffer ends it and reads the module's result.
#include <string>

#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "common.h"
#include "fax.h"
#include "os/file.h"
#include "packet/send_receive.h"
#include "packet/variables.h"
#include "teleph/fax_ops.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kForever = 0xFFFFFFFF;
// The largest font file read: a font set is well under a megabyte.
constexpr uint64_t kFontFileLimit = 16 << 20;
constexpr uint32_t kFontsInUseVar = 0x39;  // FAX: one bit per font in use, 255 as bit 31
constexpr uint32_t kDefaultFont = 255;
constexpr uint32_t kLastNumberedFont = 30;
constexpr uint8_t kKindModule = 1;  // byte 1 of an address naming the module itself

bool ValidFont(int32_t font_no) {
  return (font_no >= 0 && static_cast<uint32_t>(font_no) <= kLastNumberedFont) ||
         static_cast<uint32_t>(font_no) == kDefaultFont;
}

int Refuse(VtxLine* line, VtxFontArgs* args, uint32_t flag, uint32_t line_status) {
  if (line != nullptr) line->reset_status |= flag;
  Fail(args, line_status);
  return -1;
}

// A failed exchange with the module: its result words are the call's.
int ExchangeFailed(VtxLine* line, VtxFontArgs* args, const MillArgs& exchange) {
  line->reset_status |= kResetFontRefused;
  CopyResult(args, exchange);
  return -1;
}

MillArgs FaxCommand(uint32_t verb, uint32_t code) {
  MillArgs args{};
  args.facility = MILL_FACILITY_FAX;
  args.verb = verb;
  args.code = code;
  args.timeout = kForever;
  return args;
}

int Start(VtxLine* line, VtxFontArgs* args) {
  if ((line->dest_addr[1] & 0x7F) != kKindModule) {
    return Refuse(line, args, kResetFontRefused, APIERR_BOARDCAPABILITY);
  }
  if (!ValidFont(args->font_no) || args->buf == nullptr) {
    return Refuse(line, args, kResetFontRefused, APIERR_BADPARAMETER);
  }
  if (FontInUse(line, args->font_no)) return Refuse(line, args, kResetFontInUse, APIERR_BUSY);
  MillArgs start = FaxCommand(MILL_VERB_START, FAX_FONT_DOWNLOAD_MODE);
  start.incoming_flag = 2;
  const MillTagItem tags[] = {{FAX_FONT_NUM_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->font_no)},
                              {0, 0, 0, nullptr}};
  start.tag_list = tags;
  if ((packet::FormSendCmd(line, &start) & MILL_SEND_SENT) == 0) {
    return ExchangeFailed(line, args, start);
  }
  MillArgs started = FaxCommand(MILL_VERB_EVENT, FAX_FONT_DL_STARTED_EVENT);
  if (packet::WaitCmd(line, &started) != 1) return ExchangeFailed(line, args, started);
  line->fax.font_download = true;
  line->fax.saved_flow_word = line->fax.flow_word;
  line->fax.flow_word = 2;
  return 0;
}

// Sends the buffer in DATA commands while the line's data may flow. A flow stopped by the line
// ends the call without result words.
int SendData(VtxLine* line, VtxFontArgs* args) {
  uint32_t sent = 0;
  while (sent < args->size && line->fax.flow_word != 0) {
    const uint32_t piece = args->size - sent < kFontPiece ? args->size - sent : kFontPiece;
    MillArgs data = FaxCommand(MILL_VERB_DATA, 0);
    data.data_bits = 8 * piece;
    data.tag_ptr = const_cast<uint8_t*>(args->buf + sent);
    data.incoming_flag = 3;
    const int result = packet::FormSendCmd(line, &data);
    if ((result & MILL_SEND_FAILED) != 0) return ExchangeFailed(line, args, data);
    if ((result & MILL_SEND_SENT) != 0) sent += piece;
  }
  return sent == args->size ? 0 : -1;
}

// The RESULT_CODE of the event current in `event`, 0 when it has none.
uint32_t ResultCode(MillArgs* event) {
  while (MillGetTag(event) == 1) {
    if (event->tag_id == COMMON_RESULT_CODE_VAR) return static_cast<uint32_t>(MillGetTagInt(event));
  }
  return 0;
}

int Finish(VtxLine* line, VtxFontArgs* args) {
  // Whatever the end brings, the download is over: the next piece starts a new one.
  line->fax.flow_word = line->fax.saved_flow_word;
  line->fax.font_download = false;
  MillArgs finish = FaxCommand(MILL_VERB_FINISH, FAX_FONT_DOWNLOAD_MODE);
  finish.incoming_flag = 2;
  if ((packet::FormSendCmd(line, &finish) & MILL_SEND_SENT) == 0) {
    return ExchangeFailed(line, args, finish);
  }
  MillArgs finished = FaxCommand(MILL_VERB_EVENT, FAX_FONT_DL_FINISHED_EVENT);
  finished.no_drain = 1;
  if (packet::WaitCmd(line, &finished) != 1) return ExchangeFailed(line, args, finished);
  const uint32_t result = ResultCode(&finished);
  finished.timeout = 0;
  while (packet::GetNextCmd(line, &finished) == 1) {
  }
  if (finished.status != CV_STATUS_OK && finished.status != CV_STATUS_TIMEOUT) {
    return ExchangeFailed(line, args, finished);
  }
  if (result == 0) return 0;
  trace::Message(line, trace::kLevelError, "Font Download error, result code %d",
                 static_cast<int>(result));
  line->fw_error_class = kFaxFontErrorClass;
  line->fw_error_code = result;
  return Refuse(line, args, kResetFirmwareError, APIERR_FIRMWARE_ERR_DETECTED);
}

bool Synchronous(VtxLine* line, VtxFontArgs* args) {
  if (line != nullptr && args->async_lp == 0 && line->nesting == 0) return true;
  Refuse(line, args, 0, line == nullptr ? APIERR_BADPARAMETER : APIERR_ASYNC_LP_ERR);
  return false;
}

// Sends the open file piece by piece: true when every piece went out, else the result words
// say why.
bool SendFile(VtxLine* line, VtxFontArgs* args, FILE* file) {
  uint8_t piece[kFontPiece];
  uint32_t total = 0;
  for (;;) {
    const size_t got = fread(piece, 1, sizeof piece, file);
    if (got > 0) {
      VtxFontArgs data = *args;
      data.buf = piece;
      data.size = static_cast<uint32_t>(got);
      if (FaxDownloadFontData(line, &data) != 0) {
        CopyResult(args, data);
        return false;
      }
      total += data.size;
      trace::Message(line, trace::kLevelInfo, "download_font %d", static_cast<int>(total));
    }
    if (got == sizeof piece) continue;
    if (ferror(file) == 0) return true;
    trace::Message(line, trace::kLevelError, "Font download: file read error.");
    Refuse(line, args, 0, APIERR_FILEIO);
    return false;
  }
}

}  // namespace

bool FontInUse(VtxLine* line, int32_t font_no) {
  if (!ValidFont(font_no)) return false;
  MillArgs get{};
  get.facility = MILL_FACILITY_FAX;
  get.tag_id = kFontsInUseVar;
  get.use_alt_chan = kKindModule;
  packet::GetVar(line, &get);
  const uint32_t bit = static_cast<uint32_t>(font_no) == kDefaultFont ? 31 : font_no;
  return get.status == CV_STATUS_OK && (get.var_value >> bit & 1) != 0;
}

int FaxDownloadFontData(VtxLine* line, VtxFontArgs* args) {
  const char* name = "VtxFaxDownloadFontData";
  trace::CallEntry(line, name, "buf=0x%lX,size=%u,font_no=%d",
                   static_cast<unsigned long>(reinterpret_cast<uintptr_t>(args->buf)), args->size,
                   args->font_no);
  int ret = -1;
  if (Synchronous(line, args) && (line->fax.font_download || Start(line, args) == 0)) {
    ret = args->buf != nullptr ? SendData(line, args) : Finish(line, args);
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

int FaxDownloadFont(VtxLine* line, VtxFontArgs* args) {
  const char* name = "VtxFaxDownloadFont";
  trace::CallEntry(line, name, "fname=%s,font_no=%d",
                   args->fname != nullptr ? args->fname : "(NULL)", args->font_no);
  int ret = -1;
  if (Synchronous(line, args)) {
    std::string error;
    FILE* file = args->fname != nullptr
                     ? os::OpenRegularFile(args->fname, true, kFontFileLimit, error)
                     : nullptr;
    if (file == nullptr) {
      trace::Message(line, trace::kLevelInfo, "download_font: file open error %s",
                     args->fname != nullptr ? args->fname : "(NULL)");
      if (!error.empty())
        trace::Message(line, trace::kLevelInfo, "download_font: %s", error.c_str());
      Refuse(line, args, kResetFontFile, APIERR_FILEIO);
    } else {
      const bool sent = SendFile(line, args, file);
      os::FileClose(file);
      if (sent) {
        VtxFontArgs end = *args;
        end.buf = nullptr;
        end.size = 0;
        ret = FaxDownloadFontData(line, &end);
        CopyResult(args, end);
      }
    }
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxFaxDownloadFont(VtxLine* line, VtxFontArgs* args) {
  return Framed<Family::kFax, Carry::kInputOnly>(vtx::teleph::FaxDownloadFont, line, args);
}

extern "C" int VtxFaxDownloadFontData(VtxLine* line, VtxFontArgs* args) {
  return Framed<Family::kFax, Carry::kInputOnly>(vtx::teleph::FaxDownloadFontData, line, args);
}
