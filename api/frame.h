// The call frame of the public operations: every `Vtx` operation is its worker wrapped in
// Framed, which converts the argument record of an application built against an older version
// into the library's own layout, runs the worker, and gives the outcome back in the caller's
// layout:
//
//   int VtxModuleInfo(VtxLine* line, VtxModuleInfoArgs* args) {
//     return vtx::api::Framed<vtx::api::Family::kModule, vtx::api::Carry::kOutput>(
//         ModuleInfoWorker, line, args);
//   }
//
// The worker has the operation's own signature, takes its argument record last and traces its
// call and return itself. It finds the record's result words at success and writes them only
// for another outcome.
#pragma once

#include <cstring>
#include <tuple>
#include <type_traits>

#include "api/convert.h"
#include "api/layout.h"
#include "api/result.h"
#include "api/version.h"
#include "trace/api_log.h"
#include "vtx.h"

namespace vtx::api {

// Whether the worker writes fields of its record beyond the result words.
enum class Carry {
  kInputOnly,  // only `status` and `line_status` go back to the caller
  kOutput,     // the whole record goes back
};

namespace frame_detail {

template <typename T>
struct Same {
  using type = T;
};

// The line an operation works on: its first argument when that is a line.
template <typename First, typename... Rest>
const VtxLine* LineOf(First first, Rest...) {
  if constexpr (std::is_convertible_v<First, const VtxLine*>) {
    return first;
  } else {
    static_cast<void>(first);
    return nullptr;
  }
}

// The frame's own failure: the result words say the version is refused, and the return is
// traced under the name "unknown".
void Refuse(const VtxLine* line, void* record);
void TraceRefusal(const VtxLine* line, const void* record, const char* format, int ret);

}  // namespace frame_detail

namespace frame_detail {

// The frame of an application built against another version, `version` being its version word as
// the call read it: the record is converted to the library's layout, the worker runs on the
// converted record, and the outcome goes back in the caller's layout. Kept out of line, so that
// the frame of an application of the library's own version is a test and the worker's call.
template <Family kFamily, Carry kCarry, typename Ret, typename... Params>
__attribute__((noinline)) Ret Converted(uint32_t version, Ret (*worker)(Params...),
                                        typename Same<Params>::type... args) {
  using RecordPtr = std::tuple_element_t<sizeof...(Params) - 1, std::tuple<Params...>>;
  using Record = std::remove_pointer_t<RecordPtr>;

  std::tuple<Params...> call(args...);
  RecordPtr caller = std::get<sizeof...(Params) - 1>(call);
  const VtxLine* line = LineOf(args...);
  Record converted;
  Conversion conversion;
  if (!conversion.Prepare(kFamily, line, caller, &converted, sizeof converted, version)) {
    Refuse(line, caller);
    if constexpr (std::is_void_v<Ret>) {
      TraceRefusal(line, caller, nullptr, 0);
      return;
    } else if constexpr (std::is_pointer_v<Ret>) {
      TraceRefusal(line, caller, "ret=%d", 0);
      return nullptr;
    } else {
      TraceRefusal(line, caller, "ret=%d", -1);
      return static_cast<Ret>(-1);
    }
  }
  if (!conversion.matched()) return worker(args...);

  std::get<sizeof...(Params) - 1>(call) = &converted;
  auto finish = [&conversion] {
    if constexpr (kCarry == Carry::kOutput) {
      conversion.ConvertBack();
    } else {
      conversion.ReturnResult();
    }
  };
  if constexpr (std::is_void_v<Ret>) {
    std::apply(worker, call);
    finish();
  } else {
    Ret ret = std::apply(worker, call);
    finish();
    return ret;
  }
}

}  // namespace frame_detail

// Inlined into each operation, so that its worker is called directly (and can be inlined) rather
// than through a pointer handed to a frame that every operation of the same signature shares.
template <Family kFamily, Carry kCarry, typename Ret, typename... Params>
__attribute__((always_inline)) inline Ret Framed(
    Ret (*worker)(Params...), typename frame_detail::Same<Params>::type... args) {
  static_assert(sizeof...(Params) > 0, "an operation takes its argument record last");
  using RecordPtr = std::tuple_element_t<sizeof...(Params) - 1, std::tuple<Params...>>;
  static_assert(std::is_pointer_v<RecordPtr>, "an operation takes its argument record last");

  RecordPtr caller = std::get<sizeof...(Params) - 1>(std::tuple<Params...>(args...));
  // Every operation reports its own outcome: the result words start at success, whatever an
  // earlier call left in the record, and the worker writes them for any other outcome. Every
  // layout of a record begins with them, so they are cleared before any conversion.
  if (caller != nullptr) SetResult(caller, CV_STATUS_OK, 0);
  const uint32_t version = AppApiVersion();
  if (version == CV_API_VERSION) return worker(args...);
  return frame_detail::Converted<kFamily, kCarry>(version, worker, args...);
}

}  // namespace vtx::api
