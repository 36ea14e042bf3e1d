#include "lineconfig/module_clock.h"

#include "admin.h"
#include "api/line.h"
#include "fax.h"
#include "lineconfig/facility_settings.h"
#include "os/clock.h"

namespace vtx {

bool SetModuleClock(VtxLine* line, VtxLineArgs* args) {
  const bool utc = HasCapability(line, kCapFaxTimeZone);
  const os::CalendarTime now = os::CalendarNow(utc);
  if (utc) {
    TagList offset;
    offset.Add(FAX_LOCAL_TZ_OFFSET_VAR, kTypeLongMs | MILL_TYPE_SIGNED, now.utc_offset * 1000);
    if (!SendSettings(line, MILL_FACILITY_FAX, offset, args)) return false;
  }
  TagList time;
  time.Add(ADMIN_TIME_YEAR_VAR, kTypeShort, now.year);
  time.Add(ADMIN_TIME_MONTH_VAR, kTypeByte, now.month);
  time.Add(ADMIN_TIME_DATE_VAR, kTypeByte, now.day);
  time.Add(ADMIN_TIME_HOUR_VAR, kTypeByte, now.hour);
  time.Add(ADMIN_TIME_MIN_VAR, kTypeByte, now.minute);
  time.Add(ADMIN_TIME_SEC_VAR, kTypeByte, now.second);
  time.Add(ADMIN_TIME_DOTW_VAR, kTypeByte, now.weekday + 1);  // 1 for Sunday
  return SendRequest(line, MILL_FACILITY_ADMIN, ADMIN_TIME_SET_REQUEST, time, args);
}

}  // namespace vtx
