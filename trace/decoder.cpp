#include "trace/decoder.h"

#include "packet/encoding.h"
#include "trace/names.h"
#include "trace/text_out.h"
#include "vtx.h"

namespace vtx::trace {
namespace {

using codes::Kind;

constexpr int kMaxElements = 30;
// Lists nested deeper than this are not followed: the text would be all indentation.
constexpr int kMaxDepth = 64;

class Decoder {
 public:
  Decoder(TextOut& out, const NameTables& names, uint32_t facility, bool get)
      : out_(out), names_(names), facility_(facility), get_(get) {}

  // Each tag of the area on a line of its own; false when the area is cut short.
  bool Tags(const uint8_t* area, size_t size, int depth) {
    size_t pos = 0;
    while (pos < size && !out_.full()) {
      uint32_t length = 0;
      const size_t n = packet::GetVarint(area + pos, size - pos, length);
      if (n == 0 || length > size - pos - n) return false;
      if (!Tag(area + pos + n, length, depth)) return false;
      pos += n + length;
    }
    return true;
  }

  void Named(Kind kind, uint32_t code, const char* unknown) {
    const char* name = names_.Name(facility_, kind, code);
    Code(code, name != nullptr ? name : unknown);
  }

  void Code(uint32_t code, const char* name) {
    out_.Put('(');
    out_.Hex(code, 2);
    out_.Put(") ", 2);
    out_.Put(name);
    out_.Put(' ');
  }

 private:
  // One tag's body (id, type, data) of `size` bytes.
  bool Tag(const uint8_t* body, size_t size, int depth) {
    uint32_t id = 0;
    size_t pos = packet::GetVarint(body, size, id);
    if (pos == 0) return false;
    out_.Put('\n');
    out_.Blanks(4 + 4 * static_cast<size_t>(depth));
    Named(Kind::kTag, id, "UNKNOWN_TAG");
    if (get_) return true;
    uint32_t type = 0;
    const size_t n = packet::GetVarint(body + pos, size - pos, type);
    if (n == 0) return false;
    pos += n;
    Type(type);
    return Data(type, body + pos, size - pos, depth);
  }

  void Type(uint32_t type) {
    static const char* const kBases[] = {"Byte ", "Short ", "Long ", "List "};
    out_.Put("[", 1);
    out_.Hex(type, 2);
    out_.Put(": ", 2);
    out_.Put((type & MILL_TYPE_EXT) != 0 ? "Ext " : "Fix ");
    out_.Put((type & MILL_TYPE_SIGNED) != 0 ? "Sig " : "Uns ");
    out_.Put(kBases[type & MILL_TYPE_BASE_MASK]);
    out_.Put((type & MILL_TYPE_UNIT_UNKNOWN) != 0
                 ? "Unknown"
                 : codes::UnitName((type & MILL_TYPE_UNIT_MASK) >> MILL_TYPE_UNIT_SHIFT));
    out_.Put("] ", 2);
  }

  bool Data(uint32_t type, const uint8_t* data, size_t size, int depth) {
    const uint32_t base = type & MILL_TYPE_BASE_MASK;
    if (base == MILL_TYPE_LIST) {
      out_.Put("LIST:");
      if (depth + 1 > kMaxDepth) return false;
      return Tags(data, size, depth + 1);
    }
    if ((type & (MILL_TYPE_UNIT_MASK | MILL_TYPE_UNIT_UNKNOWN)) == MILL_UNIT_CHAR
                                                                       << MILL_TYPE_UNIT_SHIFT) {
      Text(data, size);
      return true;
    }
    return Elements(type, data, size);
  }

  // The bytes between double quotes, a final zero byte left out; a zero byte inside shows as
  // "." so that the text stays one string.
  void Text(const uint8_t* data, size_t size) {
    if (size > 0 && data[size - 1] == 0) --size;
    out_.Put('"');
    for (size_t i = 0; i < size && !out_.full(); ++i) {
      out_.Put(data[i] != 0 ? static_cast<char>(data[i]) : '.');
    }
    out_.Put("\" ", 2);
  }

  bool Elements(uint32_t type, const uint8_t* data, size_t size) {
    const uint32_t base = type & MILL_TYPE_BASE_MASK;
    const bool ext = (type & MILL_TYPE_EXT) != 0;
    if (ext && base == MILL_TYPE_LONG) return false;
    static const size_t kWidths[] = {1, 2, 4};
    const size_t width = kWidths[base];
    size_t pos = 0;
    int printed = 0;
    for (; pos < size && printed < kMaxElements; ++printed) {
      uint32_t value = 0;
      size_t n = 0;
      if (!ext) {
        if (size - pos < width) return false;
        value = packet::GetFixed(data + pos, width);
        n = width;
      } else {
        n = base == MILL_TYPE_BYTE ? packet::GetVarint(data + pos, size - pos, value)
                                   : packet::GetVarint15(data + pos, size - pos, value);
        if (n == 0) return false;
      }
      pos += n;
      if ((type & MILL_TYPE_SIGNED) != 0 && width < 4) value = SignExtend(value, width);
      if (printed > 0) out_.Put(' ');
      out_.Hex(value, static_cast<int>(2 * width));
    }
    if (printed == kMaxElements) out_.Put(" ...", 4);
    out_.Put(' ');
    return true;
  }

  static uint32_t SignExtend(uint32_t value, size_t width) {
    const uint32_t sign = 1u << (8 * width - 1);
    const uint32_t mask = (sign << 1) - 1;
    value &= mask;
    return (value & sign) != 0 ? value | ~mask : value;
  }

  TextOut& out_;
  const NameTables& names_;
  uint32_t facility_;
  bool get_;
};

struct Verb {
  uint32_t verb = 0;
  uint32_t code = 0;
  uint32_t data_bits = 0;
  size_t tags = 0;  // offset of the tags (DATA: of the data)
};

// The verb and its fields of a command of `length` bytes; false when they run past it.
bool ParseVerb(const uint8_t* command, size_t length, Verb& out) {
  if (length < 3) return false;
  out.verb = command[2];
  out.tags = 3;
  switch (out.verb) {
    case MILL_VERB_START:
    case MILL_VERB_FINISH:
    case MILL_VERB_EVENT:
    case MILL_VERB_REQUEST: {
      const size_t n = packet::GetVarint(command + 3, length - 3, out.code);
      out.tags += n;
      return n != 0;
    }
    case MILL_VERB_DATA:
      if (length < 7) return false;
      out.data_bits = packet::GetFixed(command + 3, 2);
      out.code = packet::GetFixed(command + 5, 2);
      out.tags = 7;
      return true;
    default:
      return true;
  }
}

char* Truncated(TextOut& out, bool* truncated) {
  out.Put("\nTRUNC");
  if (truncated != nullptr) *truncated = true;
  return out.end();
}

}  // namespace

char* DecodeCommand(char* text, size_t size, uint32_t facility, const uint8_t* command,
                    size_t length, uint32_t options, bool* truncated) {
  TextOut out(text, size);
  if (truncated != nullptr) *truncated = false;
  if ((options & kDecodeLength) != 0) {
    out.Put('L');
    out.Hex(static_cast<uint32_t>(length), 1);
    out.Put(' ');
  }
  // The command's own length field bounds it when it is shorter than the bytes given.
  if (command == nullptr || length < 2) return Truncated(out, truncated);
  const size_t end = packet::GetFixed(command, 2) + size_t{2};
  Verb verb;
  if (end > length || !ParseVerb(command, end, verb)) return Truncated(out, truncated);
  const std::shared_ptr<const NameTables> names = CurrentNames();
  Decoder decoder(out, *names, facility, verb.verb == MILL_VERB_GET);

  const char* facility_name = names->Facility(facility);
  decoder.Code(facility, facility_name != nullptr ? facility_name : "UNKNOWN_FACIL");
  const char* verb_name = verb.verb <= 10 ? codes::VerbName(verb.verb) : nullptr;
  decoder.Code(verb.verb, verb_name != nullptr ? verb_name : "UNKNOWN_VERB");
  switch (verb.verb) {
    case MILL_VERB_START:
    case MILL_VERB_FINISH:
      decoder.Named(Kind::kMode, verb.code, "UNKNOWN_MODE");
      break;
    case MILL_VERB_EVENT:
      decoder.Named(Kind::kEvent, verb.code, "UNKNOWN_EVENT");
      break;
    case MILL_VERB_REQUEST:
      decoder.Named(Kind::kRequest, verb.code, "UNKNOWN_REQUEST");
      break;
    case MILL_VERB_DATA:
      if ((options & kDecodeData) == 0) {
        out.Clear();
        return out.end();
      }
      out.Put("Strm ");
      out.Hex(verb.code, 1);
      out.Put(", ");
      out.Hex(verb.data_bits, 1);
      out.Put(" bits");
      return out.end();
    case MILL_VERB_SET:
    case MILL_VERB_LET:
    case MILL_VERB_GET:
    case MILL_VERB_RESTORE:
      break;
    default:  // NOTHING, INDIRECT and verbs beyond REQUEST carry nothing more to show
      return out.end();
  }
  if (!decoder.Tags(command + verb.tags, end - verb.tags, 0)) return Truncated(out, truncated);
  return out.end();
}

}  // namespace vtx::trace
