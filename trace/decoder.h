// The packet decoder: the text of one command as trace lines print it. The facility, the verb
// with its mode, event or request, then one line per tag with its name, type and data; lists
// are indented four blanks per level.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::trace {

// Options of the decoder.
constexpr uint32_t kDecodeLength = 0x1;  // start with "L%X " and the command's length
constexpr uint32_t kDecodeData = 0x2;    // show DATA commands ("Strm %X, %X bits")

// Decodes the command of `length` bytes at `command` (length field included) of `facility` into
// `text`, a buffer of `size` characters that is never overrun and always terminated (when
// `size` is not 0). A command that runs past its length, a tag that runs past the command or
// an element that cannot be read ends the text with "\nTRUNC" and sets `*truncated`. Returns
// the end of the text. A DATA command without kDecodeData gives an empty text.
char* DecodeCommand(char* text, size_t size, uint32_t facility, const uint8_t* command,
                    size_t length, uint32_t options, bool* truncated);

}  // namespace vtx::trace
