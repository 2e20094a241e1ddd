// Glued forms and screen snapping: the provider gathers the rectangles of its form, of the other
// skinned forms and of the work area, snaps a proposed position, keeps the couples of glued forms
// and moves the slaves after their master.
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"

std::vector<TkvFormsCouple> GluedArray;

void DelFromGluedArray(TForm* form, bool asMaster) { RemoveCouplesOf(GluedArray, form, asMaster); }

namespace {

TRect WindowRectOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return TRect(r.left, r.top, r.right, r.bottom);
}

// The frame of the provider's form as snapping measures it.
TkvFrameShape ShapeOf(TsSkinProvider* sp) {
  TkvFrameShape shape;
  if (sp->FUWPMode) {
    const HWND h = sp->Form->WindowHandle();
    Integer b = 0, c = 0;
    if (sp->Form->BorderStyle() != bsNone) {
      b = SysBorderWidth(h, nullptr, false);
      c = SysCaptHeight(sp);
    }
    shape.Kind = TkvFrameShape::fsUWP;
    shape.Margins = TRect(b, b + c, b, b);
  } else if (TkvBorderForm* border = sp->BorderForm.get()) {
    // The skin's frame reaches outside the window, short of the shadow.
    const TkvSkinData* data = sp->SkinDataFor();
    const Integer db = DiffBorder(border);
    shape.Kind = TkvFrameShape::fsOuterBorder;
    shape.Margins = TRect(db + (data ? data->ExShadowOffs : 0), DiffTitle(border) + (data ? data->ExShadowOffsT : 0),
                          db + (data ? data->ExShadowOffsR : 0), db + (data ? data->ExShadowOffsB : 0));
  }
  return shape;
}

// The visible skinned forms other than the provider's own, in registry order.
std::vector<TForm*> OtherForms(TsSkinProvider* sp) {
  std::vector<TForm*> forms;
  for (TComponent* c : HookedComponents) {
    auto* form = dynamic_cast<TForm*>(c);
    if (!form || form == sp->Form || !form->HandleAllocated() || !IsWindowVisible(form->WindowHandle())) continue;
    forms.push_back(form);
  }
  return forms;
}

}  // namespace

void TsSkinProvider::CheckNewPosition(Integer& x, Integer& y) {
  if (FFormState & (FS_ANIMMINIMIZING | FS_ANIMRESTORING | FS_POSCHANGING | FS_RESTORING)) return;
  if (!Form || !Form->HandleAllocated()) return;
  // A form moved by itself stops being a slave.
  DelFromGluedArray(Form);
  const HWND h = Form->WindowHandle();
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
  TkvSnapScene scene;
  scene.Work = TRect(mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom);
  scene.Bounds = WindowRectOf(h);
  scene.SnapBuffer = FSnapBuffer;
  scene.Shape = ShapeOf(this);
  for (TForm* other : OtherForms(this))
    if (!Linked(other)) scene.Others.push_back(WindowRectOf(other->WindowHandle()));
  const TPoint snapped = SnapPosition(scene, x, y);
  x = snapped.X;
  y = snapped.Y;
}

bool TsSkinProvider::Linked(TForm* form) const {
  for (const TkvFormsCouple& c : GluedArray)
    if (c.Master == Form && c.Slave == form) return true;
  return false;
}

void TsSkinProvider::UpdateSlaveFormsList() {
  if (GluedForms.empty() || !Form || !Form->HandleAllocated()) return;
  const TkvFrameShape shape = ShapeOf(this);
  const TRect masterWindow = WindowRectOf(Form->WindowHandle());
  const TRect master = LimitRect(shape, masterWindow, true);
  const std::vector<TForm*> others = OtherForms(this);
  for (const String& name : GluedForms)
    for (TForm* candidate : others) {
      if (candidate->Name() != name) continue;
      const TRect window = WindowRectOf(candidate->WindowHandle());
      if (!FramesTouch(master, LimitRect(shape, window, true))) continue;
      GlueCouple(GluedArray, Form, candidate, TPoint(window.Left - masterWindow.Left, window.Top - masterWindow.Top));
    }
}

void TsSkinProvider::MoveGluedForms(bool blendMoving) {
  if ((FFormState & FS_POSCHANGING) || !Form || !Form->HandleAllocated()) return;
  TRect master = WindowRectOf(Form->WindowHandle());
  // During blend on moving the border window is dragged and the form waits behind it: the
  // slaves follow the border window's frame.
  if (TkvBorderForm* border = BorderForm.get(); blendMoving && border)
    if (const HWND bw = border->LayeredWindow()) {
      const TPoint offset = border->FrameOffset();
      const TRect r = WindowRectOf(bw);
      master = TRect(r.Left + offset.X, r.Top + offset.Y, r.Left + offset.X, r.Top + offset.Y);
    }
  for (const String& name : GluedForms)
    for (const TkvFormsCouple& c : std::vector<TkvFormsCouple>(GluedArray)) {
      if (c.Master != Form || !c.Slave || c.Slave->Name() != name || !c.Slave->HandleAllocated()) continue;
      const HWND slave = c.Slave->WindowHandle();
      // The slave's own snapping and ungluing stay off while it is moved along.
      SendAMessage(slave, KV_SETPOSCHANGING, 1);
      SetWindowPos(slave, nullptr, master.Left + c.Pos.X, master.Top + c.Pos.Y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendAMessage(slave, KV_SETPOSCHANGING, 0);
    }
}
