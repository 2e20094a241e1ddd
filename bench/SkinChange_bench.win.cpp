// The main window's whole skin change under Wine: the skin loaded again, the new skin broadcast
// to every control and the repaint of the form, beside the load alone (the same skin read into
// a fresh set, nothing broadcast or painted). Each change must paint every window of the main
// window at most once: the benchmark counts the paint messages of the form's windows and fails when
// one of them is painted twice for one change.
// The skin comes from the build's data folder (bin\data beside the bench folder), or from the
// folder in TW_SKIN_DIR.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "BenchTiming.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "engine/EngineStartup.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"
#include "ui/SysUtils.h"

namespace {

std::map<HWND, int>* gPaints = nullptr;
HWND gForm = nullptr;

void Count(HWND wnd, UINT msg) {
  if (gPaints && msg == WM_PAINT && (wnd == gForm || IsChild(gForm, wnd))) ++(*gPaints)[wnd];
}
LRESULT CALLBACK SentHook(int code, WPARAM w, LPARAM l) {
  if (code >= 0) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(l);
    Count(m->hwnd, m->message);
  }
  return CallNextHookEx(nullptr, code, w, l);
}
LRESULT CALLBACK PostedHook(int code, WPARAM w, LPARAM l) {
  if (code >= 0 && w == PM_REMOVE) {
    auto* m = reinterpret_cast<MSG*>(l);
    Count(m->hwnd, m->message);
  }
  return CallNextHookEx(nullptr, code, w, l);
}

String SkinFolder() {
  wchar_t env[MAX_PATH];
  if (DWORD n = GetEnvironmentVariableW(L"TW_SKIN_DIR", env, MAX_PATH); n > 0 && n < MAX_PATH)
    return String(reinterpret_cast<const Char*>(env));
  return FolderOf(FolderOf(Application->ExeName())) + u"\\bin\\data";
}

}  // namespace

int main() {
  StartEngine();
  RegisterTarnwickClasses();
  int code = 0;
  {
    TApplication app;
    app.CreateForm(Form1);
    Form1->Show();
    app.ProcessMessages();
    DuRiruZireziv* manager = Form1->sknmngr1;
    manager->SetSkinDirectory(SkinFolder());
    manager->SetSkinName(u"Glimmerveil");
    app.ProcessMessages();
    if (!manager->IsActive()) {
      std::printf("no Glimmerveil skin in the data folder (set TW_SKIN_DIR)\n");
      Form1 = nullptr;
      return 1;
    }
    gForm = Form1->WindowHandle();

    HHOOK sent = SetWindowsHookExW(WH_CALLWNDPROC, SentHook, nullptr, GetCurrentThreadId());
    HHOOK posted = SetWindowsHookExW(WH_GETMESSAGE, PostedHook, nullptr, GetCurrentThreadId());
    int changes = 0, wrong = 0;
    std::map<int, int> seen;  // paints per change -> changes
    const double change = bench::SecondsPerCall(10, [&] {
      std::map<HWND, int> paints;
      gPaints = &paints;
      manager->SetSkinName(u"Glimmerveil");
      app.ProcessMessages();  // paints still queued are counted too
      gPaints = nullptr;
      ++changes;
      // No window of the form paints twice for one change (forms are frozen while the new skin
      // travels and repainted once after it).
      int most = 0;
      for (auto [wnd, n] : paints) most = std::max(most, n);
      ++seen[most];
      if (most > 1) ++wrong;
    });
    UnhookWindowsHookEx(posted);
    UnhookWindowsHookEx(sent);

    const double load = bench::SecondsPerCall(10, [&] {
      TkvSkinSet fresh;
      manager->GetLoadSettings(fresh.Settings);
      manager->LoadSkin(fresh, manager->PPIsInUse());
    });

    std::printf("main window, skin Glimmerveil, ms per change\n");
    std::printf("  load alone                         %8.2f\n", load * 1e3);
    std::printf("  whole change (load, broadcast, repaint) %8.2f  x%.2f of the load\n", change * 1e3, change / load);
    std::printf("  changes that painted no window of the main window twice: %d of %d\n", changes - wrong, changes);
    for (auto [count, n] : seen) std::printf("    %d changes painted a window of it at most %d times\n", n, count);
    Form1 = nullptr;
    code = wrong == 0 ? 0 : 1;
  }
  StopEngine();
  return code;
}
