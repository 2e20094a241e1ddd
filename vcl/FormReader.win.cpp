#include <windows.h>

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Forms.h"
#include "StdCtrls.h"

bool ReadComponentResource(TComponent* root, const String& resourceName) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(module, reinterpret_cast<LPCWSTR>(resourceName.c_str()), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!res) return false;
  HGLOBAL data = LoadResource(module, res);
  DWORD size = SizeofResource(module, res);
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) return false;
  ReadComponentUtf8(root, std::string_view(static_cast<const char*>(bytes), size));
  return true;
}

void RegisterLibraryClasses() {
  RegisterClass<TForm>();
  RegisterClass<TLabel>();
  RegisterClass<TEdit>();
  RegisterClass<TButton>();
  RegisterClass<TProgressBar>();
  RegisterClass<TImage>();
}

bool TCustomForm::ReadDescription() { return ReadComponentResource(this, ClassName()); }
