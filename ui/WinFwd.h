// Windows handle types, declared the way <windows.h> declares them, so that portable headers
// can name them without pulling in the platform headers. Identical typedefs are allowed twice.
#pragma once

#ifdef _WIN32
#define TW_DECLARE_HANDLE(name) \
  struct name##__;              \
  typedef struct name##__* name
TW_DECLARE_HANDLE(HWND);
TW_DECLARE_HANDLE(HDC);
TW_DECLARE_HANDLE(HBITMAP);
TW_DECLARE_HANDLE(HFONT);
TW_DECLARE_HANDLE(HBRUSH);
TW_DECLARE_HANDLE(HPEN);
TW_DECLARE_HANDLE(HRGN);
TW_DECLARE_HANDLE(HICON);
TW_DECLARE_HANDLE(HPALETTE);
TW_DECLARE_HANDLE(HINSTANCE);
TW_DECLARE_HANDLE(HMONITOR);
TW_DECLARE_HANDLE(HMENU);
#undef TW_DECLARE_HANDLE
typedef void* HGDIOBJ;
typedef void* HANDLE;
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;
#endif
