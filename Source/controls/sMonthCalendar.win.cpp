#include "controls/sMonthCalendar.h"

#include <windows.h>

#include "ui/SysUtils.h"
#include "ui/WinHandles.h"

namespace {
String today;
constexpr UINT kTodayStringId = 4432;
}  // namespace

const String& s_Today() { return today; }

void sMonthCalendarStartup() {
  const TOwnedModule comctl(LoadLibraryW(L"comctl32.dll"));
  if (!comctl) return;
  const wchar_t* text = nullptr;
  const int length = LoadStringW(comctl.get(), kTodayStringId, reinterpret_cast<LPWSTR>(&text), 0);
  today = length > 0 ? String(reinterpret_cast<const Char*>(text), size_t(length)) : String(u"Today: ");
}

void sMonthCalendarCleanup() { today.clear(); }
