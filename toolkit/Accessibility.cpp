#include "toolkit/Accessibility.h"

#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "toolkit/Controls.h"
#include "toolkit/Internal.h"
#include "toolkit/SystemLibrary.h"

namespace {

// The system's accessibility and COM libraries, loaded on the first request
// of a screen reader, with COM started on this (the windows') thread for as
// long as the program runs.
class TAccessibilityLibraries {
 public:
  using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  using ObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);

  static const TAccessibilityLibraries& Get() {
    static const TAccessibilityLibraries libraries;
    return libraries;
  }
  TAccessibilityLibraries(const TAccessibilityLibraries&) = delete;
  TAccessibilityLibraries& operator=(const TAccessibilityLibraries&) = delete;

  bool Ready() const {
    return comStarted_ && lresultFromObject != nullptr && objectFromWindow != nullptr && sysAllocStringLen != nullptr;
  }

  LresultFromObjectFn lresultFromObject = nullptr;
  ObjectFromWindowFn objectFromWindow = nullptr;
  SysAllocStringLenFn sysAllocStringLen = nullptr;

 private:
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  using CoUninitializeFn = void(WINAPI*)();

  TAccessibilityLibraries() {
    lresultFromObject = EntryPoint<LresultFromObjectFn>(oleacc_.Handle(), "LresultFromObject");
    objectFromWindow = EntryPoint<ObjectFromWindowFn>(oleacc_.Handle(), "AccessibleObjectFromWindow");
    sysAllocStringLen = EntryPoint<SysAllocStringLenFn>(oleaut32_.Handle(), "SysAllocStringLen");
    const auto initialize = EntryPoint<CoInitializeExFn>(ole32_.Handle(), "CoInitializeEx");
    uninitialize_ = EntryPoint<CoUninitializeFn>(ole32_.Handle(), "CoUninitialize");
    // The object references handed out are marshalled by COM, which must
    // run on the thread; a thread where it runs already keeps its mode.
    if (initialize != nullptr && uninitialize_ != nullptr) {
      const HRESULT started = initialize(nullptr, COINIT_APARTMENTTHREADED);
      balance_ = SUCCEEDED(started);
      comStarted_ = balance_ || started == RPC_E_CHANGED_MODE;
    }
  }
  ~TAccessibilityLibraries() {
    if (balance_) uninitialize_();
  }

  // Loaded in this order and freed in the reverse one.
  TSystemLibrary ole32_{"ole32.dll"};
  TSystemLibrary oleaut32_{"oleaut32.dll"};
  TSystemLibrary oleacc_{"oleacc.dll"};
  CoUninitializeFn uninitialize_ = nullptr;
  bool comStarted_ = false;
  bool balance_ = false;
};

BSTR MakeBstr(const std::string& text) {
  const auto& libraries = TAccessibilityLibraries::Get();
  if (libraries.sysAllocStringLen == nullptr) return nullptr;
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return libraries.sysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

HRESULT ReturnText(const std::string& text, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = MakeBstr(text);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

std::string WindowText(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Whether a windowed control shows anything a screen reader can tell: a
// container of toolkit controls only when one of them does (a panel that
// holds a picture only is left out), any other window always.
bool TellsSomething(TControl& control);

bool TellsSomethingBelow(TWinControl& container) {
  for (int i = 0; i < container.ControlCount(); ++i) {
    TControl* child = container.Control(i);
    if (child->Showing() && TellsSomething(*child)) return true;
  }
  return false;
}

bool TellsSomething(TControl& control) {
  if (auto* windowed = dynamic_cast<TWinControl*>(&control)) {
    if (!windowed->HandleAllocated() || !IsWindowVisible(windowed->Handle())) return false;
    return windowed->ControlCount() == 0 || TellsSomethingBelow(*windowed);
  }
  return control.AccessibleItem().has_value();
}

// The elements of a window's client object: its controls that show and tell
// something, in the order of its control list.
std::vector<TControl*> AccessibleChildrenOf(TWinControl& container) {
  std::vector<TControl*> children;
  for (int i = 0; i < container.ControlCount(); ++i) {
    TControl* child = container.Control(i);
    if (child->Showing() && TellsSomething(*child)) children.push_back(child);
  }
  return children;
}

// An element's 1-based child id in its parent's client object, or 0.
LONG ChildIdOf(const TControl& control) {
  if (control.Parent() == nullptr) return 0;
  const std::vector<TControl*> children = AccessibleChildrenOf(*control.Parent());
  const auto found = std::find(children.begin(), children.end(), &control);
  return found == children.end() ? 0 : static_cast<LONG>(found - children.begin() + 1);
}

void SetEmpty(VARIANT* v) { v->vt = VT_EMPTY; }
void SetI4(VARIANT* v, LONG value) {
  v->vt = VT_I4;
  v->lVal = value;
}
void SetDispatch(VARIANT* v, IDispatch* object) {
  v->vt = VT_DISPATCH;
  v->pdispVal = object;
}

// The client area of a toolkit-class window as screen readers see it. It
// holds the window handle only: every answer looks at the controls as they
// are now, and a window that is gone answers that it is gone. COM owns the
// object through its reference count (it deletes itself at the last
// Release).
class TClientAccessible final : public IAccessible {
 public:
  TClientAccessible(HWND window, LONG role) : window_(window), role_(role) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: screen readers call the interface directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (Container() == nullptr) return RPC_E_DISCONNECTED;
    return TAccessibilityLibraries::Get().objectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW),
                                                            __uuidof(IDispatch), reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    TWinControl* container = Container();
    if (container == nullptr) return RPC_E_DISCONNECTED;
    *count = static_cast<LONG>(AccessibleChildrenOf(*container).size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override {
    if (child == nullptr) return E_POINTER;
    *child = nullptr;
    TControl* control = nullptr;
    if (const HRESULT found = Find(id, control); found != S_OK) return found;
    if (control == nullptr) return E_INVALIDARG;
    // A windowless element has no object of its own.
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (windowed == nullptr) return S_FALSE;
    return WindowObject(*windowed, child);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
    return Property(id, name, [](IAccessible& a, VARIANT self, BSTR* out) { return a.get_accName(self, out); },
                    [this](TControl* element, BSTR* out) {
                      if (element == nullptr) return ReturnText(WindowText(window_), out);
                      return ReturnText(element->AccessibleItem()->Name, out);
                    });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
    return Property(id, value, [](IAccessible& a, VARIANT self, BSTR* out) { return a.get_accValue(self, out); },
                    [](TControl* element, BSTR* out) {
                      if (element == nullptr) return ReturnText("", out);
                      return ReturnText(element->AccessibleItem()->Value, out);
                    });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override {
    return ReturnText("", description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    SetEmpty(role);
    return Property(id, role, [](IAccessible& a, VARIANT self, VARIANT* out) { return a.get_accRole(self, out); },
                    [this](TControl* element, VARIANT* out) {
                      SetI4(out, element == nullptr ? role_ : element->AccessibleItem()->Role);
                      return S_OK;
                    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    SetEmpty(state);
    return Property(id, state, [](IAccessible& a, VARIANT self, VARIANT* out) { return a.get_accState(self, out); },
                    [this](TControl* element, VARIANT* out) {
                      LONG bits = 0;
                      if (element == nullptr) {
                        if (!IsWindowVisible(window_)) bits |= STATE_SYSTEM_INVISIBLE;
                        if (!IsWindowEnabled(window_)) bits |= STATE_SYSTEM_UNAVAILABLE;
                        if (GetFocus() == window_) bits |= STATE_SYSTEM_FOCUSED;
                      } else {
                        bits |= STATE_SYSTEM_READONLY;
                        if (!element->Enabled()) bits |= STATE_SYSTEM_UNAVAILABLE;
                      }
                      SetI4(out, bits);
                      return S_OK;
                    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return ReturnText("", help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    return ReturnText("", shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    SetEmpty(focus);
    TWinControl* container = Container();
    if (container == nullptr) return RPC_E_DISCONNECTED;
    HWND focused = GetFocus();
    if (focused == window_) {
      SetI4(focus, CHILDID_SELF);
      return S_OK;
    }
    for (TControl* child : AccessibleChildrenOf(*container)) {
      auto* windowed = dynamic_cast<TWinControl*>(child);
      if (windowed == nullptr || (windowed->Handle() != focused && !IsChild(windowed->Handle(), focused))) continue;
      IDispatch* object = nullptr;
      if (WindowObject(*windowed, &object) != S_OK) return S_FALSE;
      SetDispatch(focus, object);
      return S_OK;
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    SetEmpty(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override { return ReturnText("", action); }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    TControl* control = nullptr;
    if (const HRESULT found = Find(id, control); found != S_OK) return found;
    RECT r{};
    if (control == nullptr) {
      GetClientRect(window_, &r);
    } else if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
      GetWindowRect(windowed->Handle(), &r);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    } else {
      r = control->BoundsRect().ToRECT();
    }
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    SetEmpty(end);
    TWinControl* container = Container();
    if (container == nullptr) return RPC_E_DISCONNECTED;
    if (start.vt != VT_I4) return E_INVALIDARG;
    const auto count = static_cast<LONG>(AccessibleChildrenOf(*container).size());
    LONG target = 0;
    switch (direction) {
      case NAVDIR_FIRSTCHILD: target = start.lVal == CHILDID_SELF ? 1 : 0; break;
      case NAVDIR_LASTCHILD: target = start.lVal == CHILDID_SELF ? count : 0; break;
      case NAVDIR_NEXT: case NAVDIR_DOWN: target = start.lVal != CHILDID_SELF ? start.lVal + 1 : 0; break;
      case NAVDIR_PREVIOUS: case NAVDIR_UP: target = start.lVal != CHILDID_SELF ? start.lVal - 1 : 0; break;
      default: return DISP_E_MEMBERNOTFOUND;
    }
    if (target < 1 || target > count) return S_FALSE;
    return Element(target, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    SetEmpty(hit);
    TWinControl* container = Container();
    if (container == nullptr) return RPC_E_DISCONNECTED;
    POINT p{x, y};
    ScreenToClient(window_, &p);
    RECT client{};
    GetClientRect(window_, &client);
    if (!PtInRect(&client, p)) return S_FALSE;
    const std::vector<TControl*> children = AccessibleChildrenOf(*container);
    // The last in the list lies on top.
    for (auto i = static_cast<LONG>(children.size()); i >= 1; --i) {
      RECT r = children[static_cast<std::size_t>(i - 1)]->BoundsRect().ToRECT();
      if (PtInRect(&r, p)) return Element(i, hit);
    }
    SetI4(hit, CHILDID_SELF);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~TClientAccessible() = default;

  TWinControl* Container() const { return IsWindow(window_) ? TWinControl::FromHandle(window_) : nullptr; }

  // The control of a child id: nullptr for CHILDID_SELF; S_OK when found.
  HRESULT Find(const VARIANT& id, TControl*& control) const {
    control = nullptr;
    TWinControl* container = Container();
    if (container == nullptr) return RPC_E_DISCONNECTED;
    if (id.vt != VT_I4) return E_INVALIDARG;
    if (id.lVal == CHILDID_SELF) return S_OK;
    const std::vector<TControl*> children = AccessibleChildrenOf(*container);
    if (id.lVal < 1 || id.lVal > static_cast<LONG>(children.size())) return E_INVALIDARG;
    control = children[static_cast<std::size_t>(id.lVal - 1)];
    return S_OK;
  }

  // Child `id` as a navigation or hit-test result: its id when windowless,
  // else the object of its window.
  HRESULT Element(LONG id, VARIANT* out) {
    VARIANT v;
    SetI4(&v, id);
    IDispatch* object = nullptr;
    const HRESULT result = get_accChild(v, &object);
    if (result == S_OK && object != nullptr) {
      SetDispatch(out, object);
    } else {
      SetI4(out, id);
    }
    return S_OK;
  }

  static HRESULT WindowObject(TWinControl& control, IDispatch** object) {
    return TAccessibilityLibraries::Get().objectFromWindow(control.Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                            __uuidof(IDispatch), reinterpret_cast<void**>(object));
  }

  // A property of this object or of a windowless element (own), or of a
  // windowed child, asked of the child's own object (delegated).
  template <class Out, class Delegated, class Own>
  HRESULT Property(const VARIANT& id, Out* out, const Delegated& delegated, const Own& own) {
    if (out == nullptr) return E_POINTER;
    TControl* control = nullptr;
    if (const HRESULT found = Find(id, control); found != S_OK) return found;
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (windowed == nullptr) return own(control, out);
    IDispatch* dispatch = nullptr;
    if (WindowObject(*windowed, &dispatch) != S_OK || dispatch == nullptr) return E_FAIL;
    IAccessible* accessible = nullptr;
    HRESULT result = dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible));
    dispatch->Release();
    if (FAILED(result)) return result;
    VARIANT self;
    SetI4(&self, CHILDID_SELF);
    result = delegated(*accessible, self, out);
    accessible->Release();
    return result;
  }

  HWND window_;
  LONG role_;
  LONG references_ = 1;
};

// ---------------------------------------------------------------------------
// Name changes, at most four a second per control.

constexpr DWORD kEventIntervalMs = 250;

// What is kept of one control's name changes; a free slot has no control.
struct TToldEvent {
  const TControl* control = nullptr;
  DWORD toldAt = 0;
  // A change not yet told, and where: the element as it was at the change.
  bool pending = false;
  HWND window = nullptr;
  LONG child = 0;
};

// A fixed table that needs no destruction: controls destroyed while the
// program ends (after this file's objects) still find it. When it is full
// a change is told at once.
constinit std::array<TToldEvent, 64> gToldEvents{};
UINT_PTR gEventTimer = 0;

void CALLBACK TellPendingEvents(HWND, UINT, UINT_PTR, DWORD) {
  const DWORD now = GetTickCount();
  bool inUse = false;
  for (TToldEvent& told : gToldEvents) {
    if (told.control == nullptr) continue;
    if (told.pending && now - told.toldAt >= kEventIntervalMs) {
      NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, told.window, OBJID_CLIENT, told.child);
      told.toldAt = now;
      told.pending = false;
    }
    // Long told: the slot is free again.
    if (!told.pending && now - told.toldAt >= 4 * kEventIntervalMs) told = TToldEvent{};
    inUse = inUse || told.control != nullptr;
  }
  // The timer runs while a slot is in use.
  if (!inUse && gEventTimer != 0) {
    KillTimer(nullptr, gEventTimer);
    gEventTimer = 0;
  }
}

}  // namespace

std::string CaptionWithoutAccelMarks(const std::string& caption) {
  std::string text;
  text.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

void NotifyValueChange(const TControl& control) {
  TWinControl* parent = control.Parent();
  if (!control.Showing() || parent == nullptr || !parent->HandleAllocated()) return;
  if (const LONG child = ChildIdOf(control); child != 0) {
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, parent->Handle(), OBJID_CLIENT, child);
  }
}

void NotifyNameChange(const TControl& control) {
  const DWORD now = GetTickCount();
  TToldEvent* told = nullptr;
  for (TToldEvent& t : gToldEvents) {
    if (t.control == &control) told = &t;
  }
  const bool due = told == nullptr || now - told->toldAt >= kEventIntervalMs;
  if (!due && told->pending) return;  // told with the next tick
  TWinControl* parent = control.Parent();
  if (!control.Showing() || parent == nullptr || !parent->HandleAllocated()) return;
  const LONG child = ChildIdOf(control);
  if (child == 0) return;
  if (due) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, parent->Handle(), OBJID_CLIENT, child);
    if (told == nullptr) {
      const auto free = std::find_if(gToldEvents.begin(), gToldEvents.end(),
                                     [](const TToldEvent& t) { return t.control == nullptr; });
      if (free == gToldEvents.end()) return;  // told, not kept
      told = &*free;
      told->control = &control;
    }
    told->toldAt = now;
    told->pending = false;
    if (gEventTimer == 0) gEventTimer = SetTimer(nullptr, 0, kEventIntervalMs, TellPendingEvents);
    return;
  }
  told->pending = true;
  told->window = parent->Handle();
  told->child = child;
  if (gEventTimer == 0) gEventTimer = SetTimer(nullptr, 0, kEventIntervalMs, TellPendingEvents);
}

namespace toolkit_internal {

void ForgetAccessibleChanges(const TControl& control) {
  for (TToldEvent& told : gToldEvents) {
    if (told.control == &control) told = TToldEvent{};
  }
}

LRESULT AnswerGetObject(TWinControl& control, bool standardWindow, WPARAM wParam, LPARAM lParam) {
  if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
  const auto& libraries = TAccessibilityLibraries::Get();
  if (!libraries.Ready()) return 0;
  // The reference count starts at 1, owned here until the object is handed
  // over; the answer holds a reference of its own.
  auto* object = new TClientAccessible(control.Handle(), standardWindow ? ROLE_SYSTEM_GROUPING : ROLE_SYSTEM_CLIENT);
  const LRESULT answer = libraries.lresultFromObject(__uuidof(IAccessible), wParam, object);
  object->Release();
  // A failure lets the system answer with its own object.
  return answer > 0 ? answer : 0;
}

}  // namespace toolkit_internal
