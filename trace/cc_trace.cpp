#include "trace/cc_trace.h"

#include <mutex>

#include "vtx.h"

namespace vtx::trace::cc {
namespace {

// The call-control trace lock "Crvn_ECC_Trace_Mutex": process-local and recursive, because the
// writer traces while it holds it.
std::recursive_mutex g_lock;
CategorySetting g_categories[kCategoryCount] = {};
std::string g_trace_file;
// The name last set through trace control, up to 255 characters.
std::string g_control_file;
constexpr size_t kControlFileMax = 255;

}  // namespace

void SetCategory(int category, int32_t level, uint32_t flags) {
  if (category < 0 || category >= kCategoryCount) return;
  std::lock_guard<std::recursive_mutex> hold(g_lock);
  g_categories[category] = CategorySetting{level, flags};
}

CategorySetting GetCategory(int category) {
  if (category < 0 || category >= kCategoryCount) return CategorySetting{0, 0};
  std::lock_guard<std::recursive_mutex> hold(g_lock);
  return g_categories[category];
}

bool CategoryEnabled(int category, int32_t level) {
  CategorySetting setting = GetCategory(category);
  return setting.level >= level && setting.flags != 0;
}

void SetCategoryLevel(int category, int32_t level) {
  SetCategory(category, level, kToFile);
}

void SetTraceFile(const char* name) {
  std::lock_guard<std::recursive_mutex> hold(g_lock);
  g_trace_file = name != nullptr ? name : "";
}

std::string TraceFile() {
  std::lock_guard<std::recursive_mutex> hold(g_lock);
  return g_trace_file;
}

void ApplyControl(uint32_t options, uint32_t level, const char* file) {
  for (int category = 0; category < kCategoryCount; ++category) {
    if ((options & (VTX_DEBUG_CC_API << category)) != 0) {
      SetCategoryLevel(category, static_cast<int32_t>(level));
    }
  }
  if ((options & VTX_DEBUG_CC_FILE) == 0 || file == nullptr) return;
  std::lock_guard<std::recursive_mutex> hold(g_lock);
  std::string name = std::string(file).substr(0, kControlFileMax);
  if (name == g_control_file) return;
  g_control_file = name;
  SetTraceFile(name.c_str());
}

}  // namespace vtx::trace::cc
