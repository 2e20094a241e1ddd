// The common message handling of skinned controls: what a message that CommonWndProc ignores
// costs against an empty call and against messages it handles, and the skin data a control
// paints with, taken from its cache (no manager lookup during a paint) against a fresh lookup.
// Run: build/win32/wine-run.sh build/win32/bench/CommonData_bench.exe (needs a display).
// The exit code is 1 when a paint asked the manager for skin data.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "BenchTiming.h"
#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"

using bench::NsPerCall;

namespace {

volatile intptr_t sink = 0;

// The baseline: a call through a pointer that does nothing with the message.
__attribute__((noinline)) bool Ignore(TMessage& m, TsCommonData*) { return m.Msg == 0xFFFFFFFF; }
bool (*volatile baseline)(TMessage&, TsCommonData*) = &Ignore;
bool (*volatile handler)(TMessage&, TsCommonData*) = &CommonWndProc;

}  // namespace

int main() {
  TApplication app;
  DuRiruZireziv manager(nullptr);
  auto data = std::make_unique<TkvSkinData>(&manager, 96);
  TsGeneralData section;
  section.ClassName = u"BUTTON";
  section.BorderIndex = -1;
  data->gd.push_back(section);
  data->IndexSections();
  manager.SkinDataArray.push_back(std::move(data));
  manager.SkinCommonInfo.Active = true;

  auto* form = new TForm(&app);
  form->AfterConstruction();
  form->SetBounds(0, 0, 200, 100);
  auto* ctrl = new TCustomControl(form);
  ctrl->SetParent(form);
  ctrl->SetBounds(10, 10, 80, 24);
  form->Show();
  if (!form->HandleAllocated()) {
    std::fprintf(stderr, "no display\n");
    return 2;
  }
  auto sd = std::make_unique<TsCommonData>(ctrl);
  sd->SetSkinSection(u"BUTTON");
  sd->Loaded(false);

  const int calls = 2000000;
  TMessage ignored = MakeMessage(WM_NCHITTEST, 0, 0);
  TMessage cm = MakeMessage(CM_TEXTCHANGED, 0, 0);
  TMessage command = MakeMessage(SM_ALPHACMD, uintptr_t{KV_GETSCALE} << 16, 0);
  TMessage lock = MakeMessage(WM_SETREDRAW, 0, 0), unlock = MakeMessage(WM_SETREDRAW, 1, 0);
  const double emptyNs = NsPerCall(calls, [&] { sink = baseline(ignored, sd.get()); });
  const double ignoredNs = NsPerCall(calls, [&] { sink = handler(ignored, sd.get()); });
  const double ignoredCmNs = NsPerCall(calls, [&] { sink = handler(cm, sd.get()); });
  const double commandNs = NsPerCall(calls, [&] { sink = handler(command, sd.get()); });
  const double redrawNs = NsPerCall(calls / 2,
                                    [&] {
                                      handler(lock, sd.get());
                                      sink = handler(unlock, sd.get());
                                    }) /
                          2;
  const double sendNs = NsPerCall(calls / 20, [&] { sink = SendMessageW(ctrl->Handle(), WM_NULL, 0, 0); });
  std::printf("CommonWndProc, ns per message (best of 5 x %d)\n", calls);
  std::printf("  empty call through a pointer              %8.2f   1.00x\n", emptyNs);
  std::printf("  ignored window message (WM_NCHITTEST)     %8.2f   %.2fx\n", ignoredNs, ignoredNs / emptyNs);
  std::printf("  ignored component message (CM_TEXTCHANGED)%8.2f   %.2fx\n", ignoredCmNs, ignoredCmNs / emptyNs);
  std::printf("  handled skin command (KV_GETSCALE)        %8.2f   %.2fx\n", commandNs, commandNs / emptyNs);
  std::printf("  handled WM_SETREDRAW                      %8.2f   %.2fx\n", redrawNs, redrawNs / emptyNs);
  std::printf("  (SendMessageW of WM_NULL, for comparison  %8.2f   %.2fx)\n", sendNs, sendNs / emptyNs);

  // A paint asks its skin data dozens of times; none of them may reach the manager.
  sd->GetCommonSkinData();
  const Integer before = kvSkinDataLookups;
  const double cachedNs = NsPerCall(calls, [&] { sink = reinterpret_cast<intptr_t>(sd->GetCommonSkinData()); });
  const Integer during = kvSkinDataLookups - before;
  const double lookupNs = NsPerCall(calls / 10, [&] {
    sd->SetCommonSkinData(nullptr);
    sink = reinterpret_cast<intptr_t>(sd->GetCommonSkinData());
  });
  std::printf("\nGetCommonSkinData, ns per call\n");
  std::printf("  cached (during a paint)                   %8.2f   1.00x\n", cachedNs);
  std::printf("  looked up again (after a skin change)     %8.2f   %.2fx\n", lookupNs, lookupNs / cachedNs);
  std::printf("  manager lookups during %d cached calls: %d\n", calls * 5, during);
  return during == 0 ? 0 : 1;
}
