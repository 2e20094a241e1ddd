#include <windows.h>

#include "Forms.h"
#include "GdiScopes.h"
#include "Hints.h"

TW_DEFINE_CLASS(THintWindow) {}

const TClassInfo* HintWindowClass = nullptr;

THintWindow* CreateHintWindow(TComponent* owner) {
  const TClassInfo* cls = HintWindowClass ? HintWindowClass : &THintWindow::StaticClass();
  auto* w = dynamic_cast<THintWindow*>(cls->CreateComponent(owner));
  if (!w) throw EInvalidOperation(u"Class " + cls->Name() + u" is not a hint window class");
  return w;
}

TAnimateWindowProc AnimateWindowProc() {
  static TAnimateWindowProc fn = reinterpret_cast<TAnimateWindowProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AnimateWindow")));
  return fn;
}

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetColor(clInfoBk);
  if (Screen) Font()->Assign(Screen->HintFont());
  Font()->SetColor(clInfoText);
  SetVisible(false);
}

String GetShortHint(StringView hint) {
  size_t bar = hint.find(u'|');
  return String(bar == StringView::npos ? hint : hint.substr(0, bar));
}

String GetLongHint(StringView hint) {
  size_t bar = hint.find(u'|');
  return String(bar == StringView::npos ? hint : hint.substr(bar + 1));
}

String GetHint(const TControl* control) {
  for (const TControl* c = control; c; c = c->Parent())
    if (!c->Hint().empty()) return c->Hint();
  return String();
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  p.ClassStyle |= CS_SAVEBITS | CS_DROPSHADOW;
  p.WndParent = Application ? Application->Handle() : nullptr;
}

TRect THintWindow::CalcHintRect(Integer maxWidth, const String& hint, void*) {
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(screen, WideStr(hint), static_cast<int>(hint.size()), &r,
            DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  return {0, 0, r.right + 6, r.bottom + 2};
}

void THintWindow::ActivateHint(TRect rect, const String& hint) {
  SetCaption(hint);
  rect.Bottom += 4;
  SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  SetWindowPos(Handle(), HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  RECT text{r.Left + 2, r.Top + 2, r.Right, r.Bottom};
  String t = Caption();
  DrawTextW(c->Handle(), WideStr(t), static_cast<int>(t.size()), &text, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}
