#include <windows.h>

#include "ActnList.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "Timers.h"

bool ReadComponentResource(TComponent* root, const String& resourceName) {
  if (!FindResourceW(GetModuleHandleW(nullptr), WideStr(resourceName), MAKEINTRESOURCEW(RT_RCDATA_ID))) return false;
  TResourceStream s(nullptr, resourceName, RT_RCDATA_ID);
  ReadComponentUtf8(root, std::string_view(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.GetSize())));
  return true;
}

void RegisterLibraryClasses() {
  RegisterClass<TForm>();
  RegisterClass<TLabel>();
  RegisterClass<TEdit>();
  RegisterClass<TButton>();
  RegisterClass<TProgressBar>();
  RegisterClass<TImage>();
  RegisterClass<TTimer>();
  RegisterClass<TActionList>();
  RegisterClass<TAction>();
  RegisterClass<TMainMenu>();
  RegisterClass<TPopupMenu>();
  RegisterClass<TMenuItem>();
}

bool TCustomForm::ReadDescription() { return ReadComponentResource(this, ClassName()); }
