// The window procedure chain: one static procedure (Router) in every subclassed window, the
// window's chain found in a table of this thread, procedures called newest first.
//
// Sections:
//   1. the chain and its places
//   2. the router, passing on, and collecting freed places
//   3. TWindowSubclass
#include <windows.h>

#include <unordered_map>

#include "Classes.h"
#include "Forms.h"
#include "Subclass.h"

// ---- 1. the chain and its places ------------------------------------------------------

namespace subclass_detail {

struct Chain;

// One procedure's place in a window's chain. It outlives its procedure: a detached place is
// skipped but stays linked (messages on the stack may still walk past it) until the window
// has no message on the stack.
struct Node {
  Chain* chain;
  Node* next;              // attached before this one: called after it
  TWndMethod proc;         // empty once detached
  TObject* inUse;          // kept in use while proc runs; nullptr for none
  TWindowSubclass* owner;  // the subclass object that refers to this place; nullptr for none
  bool live;

  void Release() {
    live = false;
    proc = nullptr;
    inUse = nullptr;
  }
  void Unlink() {
    if (owner) owner->node_ = nullptr;
    owner = nullptr;
  }
};

struct Chain {
  HWND wnd;
  WNDPROC original;      // the procedure the router replaced
  bool callDirectly;     // original is a plain function (not a charset-converting handle)
  Node* head = nullptr;  // newest first
  int depth = 0;         // messages (and passings-on) of this window on the stack
  bool gone = false;     // WM_NCDESTROY has passed
};

using ChainTable = std::unordered_map<HWND, Chain*>;

// The chains of this thread's windows (a window's messages always run on its own thread).
// Kept in a slot of the system's thread storage: the compiler's thread_local costs a library
// call on every use here, more than a tenth of a message's dispatch.
ChainTable& Chains() {
  static const DWORD slot = TlsAlloc();
  auto* table = static_cast<ChainTable*>(TlsGetValue(slot));
  if (!table) {
    table = new ChainTable();  // lives as long as the thread (a handful of words when empty)
    TlsSetValue(slot, table);
  }
  return *table;
}

Chain* FindChain(HWND wnd) {
  auto& chains = Chains();
  auto it = chains.find(wnd);
  return it == chains.end() ? nullptr : it->second;
}

}  // namespace subclass_detail

using subclass_detail::Chain;
using subclass_detail::FindChain;
using subclass_detail::Node;

// ---- 2. the router, passing on, and collecting freed places ---------------------------

namespace {

LRESULT CALLBACK Router(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// A window procedure read with GetWindowLongPtrW is the function itself, or, when the window
// and the procedure differ in character set, a handle that only CallWindowProcW understands.
// The function lies in a loaded module's image; such a handle does not.
bool IsPlainFunction(WNDPROC proc) {
  HMODULE module = nullptr;
  return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(proc), &module) &&
         module;
}

// Frees the places of detached procedures once nothing on the stack can walk them; gives the
// window its own procedure back when the chain is empty (and still ours to undo), and frees
// the chain of a destroyed window.
void Collect(Chain* c) {
  Node** link = &c->head;
  while (Node* n = *link) {
    if (n->live && !c->gone) {
      link = &n->next;
      continue;
    }
    *link = n->next;
    n->Unlink();
    delete n;
  }
  if (c->gone) {
    delete c;  // its table entry went with WM_NCDESTROY
    return;
  }
  if (c->head) return;
  // Someone who subclassed the window after us still calls the router: it stays as a
  // plain pass-on until the window goes.
  if (GetWindowLongPtrW(c->wnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Router)) return;
  SetWindowLongPtrW(c->wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c->original));
  subclass_detail::Chains().erase(c->wnd);
  delete c;
}

// Keeps the chain's places while a message (or a passing-on) of its window runs.
class ChainScope {
 public:
  explicit ChainScope(Chain* c) : c_(c) { ++c_->depth; }
  ~ChainScope() {
    if (--c_->depth == 0) Collect(c_);
  }
  ChainScope(const ChainScope&) = delete;
  ChainScope& operator=(const ChainScope&) = delete;

 private:
  Chain* c_;
};

// Calls the first live procedure from n on, or the window's own procedure at the end.
LRESULT CallFrom(Chain* c, Node* n, UINT msg, WPARAM wp, LPARAM lp) {
  while (n && !n->live) n = n->next;
  if (!n) {
    if (c->gone) return 0;
    // CallWindowProcW costs as much as the whole dispatch under Wine; a procedure that needs
    // no text conversion is simply called, as the system's dispatch would.
    return c->callDirectly ? c->original(c->wnd, msg, wp, lp) : CallWindowProcW(c->original, c->wnd, msg, wp, lp);
  }
  // The procedure may detach (and so clear its place) while it runs: it runs from a copy.
  const TWndMethod proc = n->proc;
  TObject* const obj = n->inUse;
  TObjectInUse use(obj);
  TMessage m{msg, wp, lp, 0};
  try {
    proc(m);
  } catch (const std::exception& e) {
    // Nothing may unwind through the system's dispatch.
    if (Application) Application->HandleException(obj, &e);
    return 0;
  } catch (...) {
    if (Application) Application->HandleException(obj, nullptr);
    return 0;
  }
  return m.Result;
}

// The window is destroyed: every procedure is detached; the chain leaves the table at once
// (a new window may get the same handle) and is freed when its last message returns.
void WindowGone(Chain* c) {
  c->gone = true;
  for (Node* n = c->head; n; n = n->next) n->Release();
  auto& chains = subclass_detail::Chains();
  auto it = chains.find(c->wnd);
  if (it != chains.end() && it->second == c) chains.erase(it);
}

LRESULT CALLBACK Router(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Chain* c = FindChain(wnd);
  if (!c) return DefWindowProcW(wnd, msg, wp, lp);  // cannot happen: the chain leaves last
  ChainScope scope(c);
  const LRESULT r = CallFrom(c, c->head, msg, wp, lp);
  if (msg == WM_NCDESTROY) WindowGone(c);
  return r;
}

}  // namespace

int SubclassedWindowCount() { return static_cast<int>(subclass_detail::Chains().size()); }

int WindowSubclassCount(HWND wnd) {
  Chain* c = FindChain(wnd);
  int n = 0;
  if (c)
    for (Node* p = c->head; p; p = p->next) n += p->live ? 1 : 0;
  return n;
}

// ---- 3. TWindowSubclass ---------------------------------------------------------------

TWindowSubclass::~TWindowSubclass() {
  Detach();
  if (node_) node_->Unlink();
}

bool TWindowSubclass::Attach(HWND wnd, TWndMethod proc, TObject* inUse) {
  Detach();
  if (node_) node_->Unlink();  // a place still kept for a message on the stack
  if (!wnd || !proc || !IsWindow(wnd)) return false;
  if (GetWindowThreadProcessId(wnd, nullptr) != GetCurrentThreadId()) return false;
  Chain* c = FindChain(wnd);
  if (!c) {
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    if (!current) return false;
    SetLastError(0);
    if (!SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Router)) && GetLastError() != 0) return false;
    c = new Chain{wnd, current, IsPlainFunction(current)};
    subclass_detail::Chains()[wnd] = c;
  }
  node_ = new Node{c, c->head, proc, inUse, this, true};
  c->head = node_;
  return true;
}

void TWindowSubclass::Detach() {
  Node* n = node_;
  if (!n || !n->live) return;
  n->Release();
  // The place stays linked to this object, so that a message of the procedure still on the
  // stack can pass on; collecting it clears node_.
  Chain* c = n->chain;
  if (c->depth == 0) Collect(c);
}

bool TWindowSubclass::Attached() const { return node_ && node_->live; }

HWND TWindowSubclass::Handle() const { return Attached() ? node_->chain->wnd : nullptr; }

void TWindowSubclass::CallPrevious(TMessage& m) const {
  Node* n = node_;
  if (!n) {
    m.Result = 0;
    return;
  }
  Chain* c = n->chain;
  ChainScope scope(c);
  m.Result = CallFrom(c, n->next, m.Msg, m.WParam, m.LParam);
}

TLResult TWindowSubclass::CallPrevious(Cardinal msg, TWParam wParam, TLParam lParam) const {
  TMessage m{msg, wParam, lParam, 0};
  CallPrevious(m);
  return m.Result;
}
