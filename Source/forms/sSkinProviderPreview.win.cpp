// The skin editor's link on the form's side: the greeting, the record handler and the editor's
// commands.
#include "forms/sSkinProviderPreview.h"

#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

namespace {
bool gCopyInProgress = false;  // a record is being taken: one arriving meanwhile is ignored
}

void TrySayHelloToEditor(HWND form) {
  if (!kvPreviewNeeded || kvPreviewHandle) return;
  if (Application) {
    // With a main form only its window greets; a main form without a window greets nobody.
    if (TCustomForm* main = Application->MainForm()) {
      if (!main->HandleAllocated() || main->WindowHandle() != form) return;
    }
  }
  kvPreviewHandle = form;
  kvPreviewNeeded = false;
  for (int i = 0; i < kvEditorGreetings; ++i) {
    const HWND editor = FindWindowW(nullptr, reinterpret_cast<LPCWSTR>(kvEditorCaption));
    if (!editor) break;
    if (SendMessageW(editor, KPE_MSG, KPE_HELLO, reinterpret_cast<LPARAM>(form)) == 1) break;
  }
}

void KV_WMCopyData(TsSkinProvider& sp, TMessage& m) {
  if (sp.OldWndProc) sp.OldWndProc(m);
  if (m.Result != 0) return;
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(m.LParam);
  const HWND wnd = sp.Form && sp.Form->HandleAllocated() ? sp.Form->WindowHandle() : nullptr;
  TkvPreviewCopy copy;
  copy.IsPreviewTarget = wnd && kvPreviewHandle == wnd;
  copy.CopyInProgress = gCopyInProgress;
  copy.WParam = m.WParam;
  copy.Data = cds ? cds->lpData : nullptr;
  copy.Size = cds ? cds->cbData : 0;
  if (!DefaultManager || CheckPreviewCopy(copy) != pvAccepted) return;
  const auto busy = SetForScope(gCopyInProgress, true);
  if (!DefaultManager->PreviewBuffer) DefaultManager->PreviewBuffer = std::make_unique<TkvSkinEditorData>();
  TakePreviewRecord(copy, *DefaultManager->PreviewBuffer);
  if (Application) PostMessageW(Application->Handle(), SM_ALPHACMD, uintptr_t{KV_COPYDATA} << 16, 0);
  m.Result = 1;
}

void KV_KPEMSG(TsSkinProvider& sp, TMessage& m) {
  switch (m.WParam) {
    case KPE_CLOSE:
      if (sp.Form) sp.Form->Close();
      break;
    case KPE_HELLO:
      if (sp.OldWndProc) sp.OldWndProc(m);
      break;
    case KPE_ALIVE: m.Result = 1; break;
    default: break;
  }
}
