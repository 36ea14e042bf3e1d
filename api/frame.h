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

template <Family kFamily, Carry kCarry, typename Ret, typename... Params>
Ret Framed(Ret (*worker)(Params...), typename frame_detail::Same<Params>::type... args) {
  static_assert(sizeof...(Params) > 0, "an operation takes its argument record last");
  using RecordPtr = std::tuple_element_t<sizeof...(Params) - 1, std::tuple<Params...>>;
  static_assert(std::is_pointer_v<RecordPtr>, "an operation takes its argument record last");
  using Record = std::remove_pointer_t<RecordPtr>;

  std::tuple<Params...> call(args...);
  RecordPtr caller = std::get<sizeof...(Params) - 1>(call);
  // Every operation reports its own outcome: the result words start at success, whatever an
  // earlier call left in the record, and the worker writes them for any other outcome. Every
  // layout of a record begins with them, so they are cleared before any conversion.
  if (caller != nullptr) SetResult(caller, CV_STATUS_OK, 0);
  if (AppApiVersion() == CV_API_VERSION) return worker(args...);

  const VtxLine* line = frame_detail::LineOf(args...);
  Record converted;
  Conversion conversion;
  if (!conversion.Prepare(kFamily, line, caller, &converted, sizeof converted)) {
    frame_detail::Refuse(line, caller);
    if constexpr (std::is_void_v<Ret>) {
      frame_detail::TraceRefusal(line, caller, nullptr, 0);
      return;
    } else if constexpr (std::is_pointer_v<Ret>) {
      frame_detail::TraceRefusal(line, caller, "ret=%d", 0);
      return nullptr;
    } else {
      frame_detail::TraceRefusal(line, caller, "ret=%d", -1);
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

}  // namespace vtx::api
