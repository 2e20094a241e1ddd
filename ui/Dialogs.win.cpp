#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Dialogs.h"
#include "ExtCtrls.h"
#include "GdiScopes.h"
#include "Icon.h"
#include "MessageBoxText.h"
#include "ScopeGuard.h"
#include "StdCtrls.h"
#include "WinHandles.h"

bool UseLatestCommonDialogs = true;

namespace {

struct ButtonInfo {
  const char16_t* name;
  const char16_t* caption;
  TModalResult result;
};

// In TMsgDlgBtn order.
constexpr ButtonInfo kButtons[] = {
    {u"Yes", u"&Yes", mrYes},
    {u"No", u"&No", mrNo},
    {u"OK", u"OK", mrOk},
    {u"Cancel", u"Cancel", mrCancel},
    {u"Abort", u"&Abort", mrAbort},
    {u"Retry", u"&Retry", mrRetry},
    {u"Ignore", u"&Ignore", mrIgnore},
    {u"All", u"&All", mrAll},
    {u"NoToAll", u"N&o to All", mrNoToAll},
    {u"YesToAll", u"Yes to &All", mrYesToAll},
    {u"Help", u"&Help", mrNone},
    {u"Close", u"&Close", mrClose},
};

// In TMsgDlgType order; mtCustom takes the application's title.
constexpr const char16_t* kCaptions[] = {u"Warning", u"Error", u"Information", u"Confirm", nullptr};

LPCWSTR IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return IDI_WARNING;
    case mtError: return IDI_ERROR;
    case mtInformation: return IDI_INFORMATION;
    case mtConfirmation: return IDI_QUESTION;
    default: return nullptr;
  }
}

String CaptionOf(TMsgDlgType type) {
  if (kCaptions[type]) return kCaptions[type];
  return Application ? Application->Title() : String();
}

// Puts text on the clipboard as Unicode text; false when the clipboard is not to be had.
bool PutOnClipboard(HWND owner, const String& text) {
  const size_t bytes = (text.size() + 1) * sizeof(Char);
  TOwnedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return false;
  {
    void* p = GlobalLock(memory.get());
    if (!p) return false;
    std::memcpy(p, text.c_str(), bytes);
    GlobalUnlock(memory.get());
  }
  // Another program may hold the clipboard for a moment.
  bool open = false;
  for (int tries = 0; tries < 10 && !(open = OpenClipboard(owner)); ++tries) Sleep(10);
  if (!open) return false;
  TScopeExit close([] { CloseClipboard(); });
  if (!EmptyClipboard()) return false;
  if (!SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

class TMessageForm : public TForm {
  TW_CLASS(TMessageForm, TForm)
  using TForm::TForm;

  // The client the box was laid out for: it stays when a frame of another thickness (a skin's)
  // takes the window over, so the text and the buttons keep their margins.
  void KeepClient(TSize client) { client_ = client; }

  // Caption, text and buttons (left to right) as the system's box copies them.
  String CopyText() {
    String text;
    std::vector<TControl*> buttons;
    for (Integer i = 0; i < ComponentCount(); ++i) {
      if (auto* b = dynamic_cast<TButton*>(Components(i)); b && b->Visible()) buttons.push_back(b);
      if (auto* l = dynamic_cast<TLabel*>(Components(i)); l && l->Name() == u"Message") text = l->Caption();
    }
    std::stable_sort(buttons.begin(), buttons.end(), [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    std::vector<String> captions;
    for (TControl* b : buttons) captions.push_back(b->Caption());
    return MessageBoxCopyText(Caption(), text, captions);
  }

  // Ctrl+C and Ctrl+Insert copy the box, as the system's box does, whichever button has the
  // focus.
  bool IsShortCut(Word key) override {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    if (ctrl && !alt && (key == 'C' || key == VK_INSERT)) {
      PutOnClipboard(WindowHandle(), CopyText());
      return true;
    }
    return TForm::IsShortCut(key);
  }

  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_COPY) {
      PutOnClipboard(WindowHandle(), CopyText());
      m.Result = 0;
      return;
    }
    if (m.Msg == WM_DPICHANGED) {
      // The library scales the box to the new density; its client then is the one to keep.
      {
        auto scaling = SetForScope(following_, true);
        TForm::Dispatch(m);
      }
      if (client_.cx > 0) client_ = TSize(ClientRect().Width(), ClientRect().Height());
      return;
    }
    TForm::Dispatch(m);
    if (m.Msg == WM_WINDOWPOSCHANGED) FollowFrame();
  }

 private:
  // After the frame changed: the window grows (or shrinks) around the client it was laid out
  // for, about its centre.
  void FollowFrame() {
    if (client_.cx <= 0 || following_ || !HandleAllocated() || IsIconic(WindowHandle())) return;
    RECT c{};
    GetClientRect(WindowHandle(), &c);
    const Integer dw = client_.cx - c.right, dh = client_.cy - c.bottom;
    if (dw == 0 && dh == 0) return;
    auto guard = SetForScope(following_, true);
    RECT w{};
    GetWindowRect(WindowHandle(), &w);
    SetWindowPos(WindowHandle(), nullptr, w.left - dw / 2, w.top - dh / 2, w.right - w.left + dw, w.bottom - w.top + dh,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  TSize client_{0, 0};
  bool following_ = false;
};

// The font message boxes use on this system.
void UseMessageFont(TFont* font) {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) return;
  const LOGFONTW& lf = ncm.lfMessageFont;
  font->SetName(String(reinterpret_cast<const Char*>(lf.lfFaceName)));
  font->SetHeight(lf.lfHeight);
  font->SetCharset(lf.lfCharSet);
}

}  // namespace

TW_DEFINE_CLASS(TMessageForm) {}

TForm* CreateMessageDialog(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons) {
  TMsgDlgBtn def = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry;
  return CreateMessageDialog(msg, type, buttons, def);
}

TForm* CreateMessageDialog(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
  if (buttons.Empty()) buttons = {mbOK};
  auto* form = new TMessageForm(Application);
  // A form that cannot be completed goes again.
  TScopeExit freeForm([form] { form->Free(); });
  {
    form->AfterConstruction();
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons({biSystemMenu});
    form->SetPosition(poScreenCenter);
    form->SetCaption(CaptionOf(type));
    UseMessageFont(form->Font());
    const Integer ppi = Screen ? Screen->PixelsPerInch() : 96;
    auto px = [ppi](Integer v) { return MulDiv(v, ppi, 96); };
    const Integer margin = px(11), hSpacing = px(10), vSpacing = px(14), buttonSpacing = px(6);

    // The text's size, wrapped at half the screen's width.
    Integer maxText = (Screen ? Screen->Width() : 800) / 2;
    RECT textRect{0, 0, maxText, 0};
    {
      TClientDC screen(nullptr);
      TSelectObject font(screen, form->Font()->Handle());
      String t = msg.empty() ? String(u" ") : msg;
      DrawTextW(screen, WideStr(t), static_cast<int>(t.size()), &textRect,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    }
    Integer left = margin;
    Integer iconSize = 0;
    if (LPCWSTR icon = IconOf(type)) {
      iconSize = px(32);
      auto* image = new TImage(form);
      image->SetName(u"Image");
      image->SetParent(form);
      image->SetBounds(margin, margin, iconSize, iconSize);
      image->SetStretch(true);
      auto ico = std::make_unique<TIcon>();
      ico->SetHandle(CopyIcon(LoadIconW(nullptr, icon)));  // the shared icon itself is not ours to destroy
      image->Picture()->SetGraphic(std::move(ico));
      left += iconSize + hSpacing;
    }
    auto* label = new TLabel(form);
    label->SetName(u"Message");
    label->SetParent(form);
    label->SetShowAccelChar(false);
    label->SetWordWrap(true);
    label->SetAutoSize(false);
    label->SetCaption(msg);
    label->SetBounds(left, margin, textRect.right, textRect.bottom);

    // Buttons: at least 75 wide, wide enough for their captions; centred in a row.
    std::vector<TButton*> made;
    Integer buttonW = px(75), buttonH = px(25);
    {
      TClientDC screen(nullptr);
      TSelectObject font(screen, form->Font()->Handle());
      for (int b = 0; b < 12; ++b) {
        if (!buttons.Contains(static_cast<TMsgDlgBtn>(b))) continue;
        String c = kButtons[b].caption;
        RECT r{0, 0, 0, 0};
        DrawTextW(screen, WideStr(c), static_cast<int>(c.size()), &r, DT_CALCRECT | DT_SINGLELINE);
        buttonW = std::max<Integer>(buttonW, r.right + px(16));
      }
    }
    TMsgDlgBtn cancel = buttons.Contains(mbCancel) ? mbCancel : buttons.Contains(mbNo) ? mbNo : mbOK;
    for (int b = 0; b < 12; ++b) {
      auto id = static_cast<TMsgDlgBtn>(b);
      if (!buttons.Contains(id)) continue;
      auto* btn = new TButton(form);
      btn->SetName(kButtons[b].name);
      btn->SetParent(form);
      btn->SetCaption(kButtons[b].caption);
      btn->SetModalResult(kButtons[b].result);
      btn->SetDefault(id == defaultButton);
      btn->SetCancel(id == cancel);
      btn->SetBounds(0, 0, buttonW, buttonH);
      made.push_back(btn);
      if (id == defaultButton) form->SetActiveControl(btn);
    }
    const Integer rowW =
        static_cast<Integer>(made.size()) * buttonW + static_cast<Integer>(made.size() - 1) * buttonSpacing;
    const Integer contentW = std::max<Integer>(left - margin + textRect.right, rowW);
    const Integer clientW = contentW + 2 * margin;
    const Integer textBottom = margin + std::max<Integer>(iconSize, textRect.bottom);
    Integer x = (clientW - rowW) / 2;
    for (TButton* btn : made) {
      btn->SetLeft(x);
      btn->SetTop(textBottom + vSpacing);
      x += buttonW + buttonSpacing;
    }
    form->SetClientSize(TSize(clientW, textBottom + vSpacing + buttonH + margin));
    form->KeepClient(TSize(clientW, textBottom + vSpacing + buttonH + margin));
    if (!form->ActiveControl() && !made.empty()) form->SetActiveControl(made.front());
  }
  freeForm.Dismiss();
  return form;
}

Integer MessageDlgPos(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, Integer, Integer x, Integer y) {
  if (buttons.Empty()) buttons = {mbOK};
  if (UseLatestCommonDialogs) {
    // The system's box, when it has this set of buttons; it centres itself on the screen.
    struct Set {
      TMsgDlgButtons buttons;
      UINT flags;
    } sets[] = {
        {{mbOK}, MB_OK},
        {{mbOK, mbCancel}, MB_OKCANCEL},
        {{mbYes, mbNo}, MB_YESNO},
        {{mbYes, mbNo, mbCancel}, MB_YESNOCANCEL},
        {{mbRetry, mbCancel}, MB_RETRYCANCEL},
        {{mbAbort, mbRetry, mbIgnore}, MB_ABORTRETRYIGNORE},
    };
    for (const Set& s : sets) {
      if (!(s.buttons == buttons)) continue;
      static constexpr UINT kIcon[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
      // The box's result ids are the modal results (IDOK 1 = mrOk ... IDNO 7 = mrNo).
      return Application ? Application->MessageBox(msg, CaptionOf(type), s.flags | kIcon[type])
                         : ::MessageBoxW(nullptr, WideStr(msg), WideStr(CaptionOf(type)), s.flags | kIcon[type]);
    }
  }
  TForm* form = CreateMessageDialog(msg, type, buttons);
  TScopeExit freeForm([form] { form->Free(); });
  if (x >= 0 || y >= 0) {
    form->SetPosition(poDesigned);
    if (x >= 0) form->SetLeft(x);
    if (y >= 0) form->SetTop(y);
  }
  return form->ShowModal();
}

Integer MessageDlg(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpCtx) {
  return MessageDlgPos(msg, type, buttons, helpCtx, -1, -1);
}

void ShowMessagePos(const String& msg, Integer x, Integer y) { MessageDlgPos(msg, mtCustom, {mbOK}, 0, x, y); }

void ShowMessage(const String& msg) { ShowMessagePos(msg, -1, -1); }

namespace {

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) {
    auto* dir = reinterpret_cast<const String*>(data);
    if (!dir->empty()) SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(dir->c_str()));
  }
  return 0;
}

}  // namespace

bool SelectDirectory(const String& caption, const String& root, String& directory, TSelectDirExtOpts options,
                     TWinControl* parent) {
  HWND owner = nullptr;
  if (parent) {
    TCustomForm* f = GetParentForm(parent);
    owner = f ? f->Handle() : parent->Handle();
  } else if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated()) {
    owner = Screen->ActiveForm()->WindowHandle();
  } else {
    owner = GetActiveWindow();
  }
  // The new-style dialog needs OLE on this thread; the engine starts it at start-up, and
  // the counted call below is harmless then.
  HRESULT ole = OleInitialize(nullptr);
  TScopeExit oleEnd([ole] {
    if (SUCCEEDED(ole)) OleUninitialize();
  });

  PIDLIST_ABSOLUTE rootId = nullptr;
  if (!root.empty()) SHParseDisplayName(WideStr(root), nullptr, &rootId, 0, nullptr);
  TScopeExit freeRoot([rootId] {
    if (rootId) CoTaskMemFree(rootId);
  });

  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.pidlRoot = rootId;
  bi.pszDisplayName = display;
  bi.lpszTitle = WideStr(caption);
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  if (options.Contains(sdNewUI)) bi.ulFlags |= BIF_NEWDIALOGSTYLE;
  if (!options.Contains(sdNewFolder)) bi.ulFlags |= BIF_NONEWFOLDERBUTTON;
  if (options.Contains(sdShowEdit)) bi.ulFlags |= BIF_EDITBOX;
  if (options.Contains(sdShowShares)) bi.ulFlags |= BIF_SHAREABLE;
  if (options.Contains(sdShowFiles)) bi.ulFlags |= BIF_BROWSEINCLUDEFILES;
  if (options.Contains(sdValidateDir)) bi.ulFlags |= BIF_VALIDATE;
  String initial = directory;
  bi.lpfn = &BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(&initial);

  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&bi);
  if (!chosen) return false;
  TScopeExit freeChosen([chosen] { CoTaskMemFree(chosen); });
  wchar_t path[MAX_PATH * 2] = {};
  if (!SHGetPathFromIDListW(chosen, path)) return false;
  directory = String(reinterpret_cast<const Char*>(path));
  return true;
}
