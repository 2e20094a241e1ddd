// The hints of a skinned form's caption: a user title button shows its hint as soon as the
// mouse enters it, a title bar item after the application's hint pause while the mouse stays
// on it. The pause is counted on the application's clock, so that a test steps it.
#include "base/kvntUtils.h"
#include "forms/kvTitleBar.h"
#include "forms/sSkinProvider.h"
#include "skin/sVclUtils.h"

namespace {

// The application makes its hint windows of the class library's plain class: the engine's
// alpha hints keep their windows themselves.
bool PlainHintWindows() { return !HintWindowClass || HintWindowClass == &THintWindow::StaticClass(); }

// A hint at the cursor; the window when it is the caller's to keep.
std::unique_ptr<THintWindow> HintAtCursor(const String& text, Integer belowPlain) {
  const TPoint cursor = kvMousePos();
  if (PlainHintWindows()) return std::unique_ptr<THintWindow>(kvShowHintWnd(text, cursor));
  kvShowHintWnd(text, TPoint(cursor.X, cursor.Y + belowPlain));
  return nullptr;
}

}  // namespace

void TsSkinProvider::ShowHint(TsTitleButton* btn) {
  if (!btn || btn->Hint.empty() || btn->HintWnd) return;
  btn->HintWnd = HintAtCursor(btn->Hint, 0);
}

void TsSkinProvider::HideHint(TsTitleButton* btn) {
  if (btn) btn->HintWnd.reset();
}

void ShowHintWnd(TkvTitleBarItem* item) {
  if (!item || item->HintWnd || item->FHint.empty()) return;
  item->HintWnd = HintAtCursor(item->FHint, 16);
}

void HideHintWnd(TkvTitleBarItem* item) {
  if (item) item->HintWnd.reset();
}

void TsSkinProvider::StartHintTimer(TkvTitleBarItem* item) {
  if (!item || item->FHint.empty() || !Application) return;
  Application->SetHint(item->FHint);
  if (!item->FShowHint || !Form->ShowHint() || !Application->ShowHint()) return;
  RECT origin{};
  GetWindowRect(BorderForm && BorderForm->LayeredWindow() ? BorderForm->LayeredWindow() : Form->Handle(), &origin);
  FHintRect = OffsRect(item->Rect, origin.left, origin.top);
  const Integer pause = Application->HintPause();
  if (pause <= 0) {
    ShowHintWnd(item);
    return;
  }
  if (!FHintTimer) {
    FHintTimer = std::make_unique<TkvTimer>(nullptr);
    FHintTimer->SetOnTimer(TNotifyEvent(this, &TsSkinProvider::OnHintTimer));
  }
  FHintDue = Application->Clock().NowMs() + Cardinal(pause);
  FHintTimer->SetInterval(Cardinal(pause));
  FHintTimer->SetEnabled(true);
}

void TsSkinProvider::OnHintTimer(TObject*) {
  // Only a pending hint shows: the switches were asked when the mouse entered the item.
  if (!FHintTimer || !FHintTimer->Enabled() || !Application) return;
  // The system timer may run ahead of the application's clock: the pause counts on the clock.
  if (Application->Clock().NowMs() < FHintDue) return;
  FHintTimer->SetEnabled(false);
  if (!FHintRect.Contains(kvMousePos())) return;
  ShowHintWnd(TitleItemByHT(*this, CurrentHT));
}
