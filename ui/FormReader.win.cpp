#include <windows.h>

#include "ActnList.h"
#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "Timers.h"

bool ReadComponentResource(TComponent* root, const String& resourceName) {
  if (!FindResourceW(GetModuleHandleW(nullptr), WideStr(resourceName), MAKEINTRESOURCEW(RT_RCDATA_ID))) return false;
  TResourceStream s(nullptr, resourceName, RT_RCDATA_ID);
  ReadComponentUtf8(root,
                    std::string_view(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.GetSize())));
  return true;
}

void RegisterLibraryClasses() {
  RegisterClass<TForm>();
  RegisterClass<TFrame>();
  RegisterClass<TLabel>();
  RegisterClass<TEdit>();
  RegisterClass<TMemo>();
  RegisterClass<TButton>();
  RegisterClass<TCheckBox>();
  RegisterClass<TRadioButton>();
  RegisterClass<TGroupBox>();
  RegisterClass<TStaticText>();
  RegisterClass<TListBox>();
  RegisterClass<TComboBox>();
  RegisterClass<TScrollBar>();
  RegisterClass<TPanel>();
  RegisterClass<TLinkLabel>();
  RegisterClass<TScrollBox>();
  RegisterClass<TSpeedButton>();
  RegisterClass<TTimerSpeedButton>();
  RegisterClass<TBitBtn>();
  RegisterClass<TProgressBar>();
  RegisterClass<TToolBar>();
  RegisterClass<TToolButton>();
  RegisterClass<TTrackBar>();
  RegisterClass<TUpDown>();
  RegisterClass<TStatusBar>();
  RegisterClass<TTabControl>();
  RegisterClass<TPageControl>();
  RegisterClass<TTabSheet>();
  RegisterClass<TListView>();
  RegisterClass<TTreeView>();
  RegisterClass<TImageList>();
  RegisterClass<TImage>();
  RegisterClass<TTimer>();
  RegisterClass<TActionList>();
  RegisterClass<TAction>();
  RegisterClass<TMainMenu>();
  RegisterClass<TPopupMenu>();
  RegisterClass<TMenuItem>();
}

bool TCustomForm::ReadDescription() { return ReadComponentResource(this, ClassName()); }

bool TCustomFrame::ReadDescription() { return ReadComponentResource(this, ClassName()); }
