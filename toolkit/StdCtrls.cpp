#include "toolkit/StdCtrls.h"

#include <algorithm>
#include <cstring>

#include <oleacc.h>

#include "runtime/Exceptions.h"
#include "runtime/Streams.h"
#include "runtime/Text.h"
#include "toolkit/Accessibility.h"

namespace {
// Items a drop-down list shows at once.
constexpr int kDropDownCount = 8;

void SyncFont(TCanvas& canvas, const TFont& font) {
  if (!canvas.Font().Equals(font)) canvas.Font().Assign(font);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

TOwnerDrawState DrawState(UINT itemState) {
  TOwnerDrawState state = 0;
  if (itemState & ODS_SELECTED) state |= odSelected;
  if (itemState & ODS_GRAYED) state |= odGrayed;
  if (itemState & ODS_DISABLED) state |= odDisabled;
  if (itemState & ODS_CHECKED) state |= odChecked;
  if (itemState & ODS_FOCUS) state |= odFocused;
  if (itemState & ODS_COMBOBOXEDIT) state |= odComboBoxEdit;
  return state;
}

// One item of an owner-drawn list or combo box, painted on the DC the system
// hands over: highlight colours for a selected item, the control's handler
// (or its default drawing) for an item, the focus rectangle on top.
void PaintOwnerDrawnItem(const DRAWITEMSTRUCT& item, TWinControl* control, TCanvas& canvas,
                         const TFont& font, TColor color, const TDrawItemEvent& onDrawItem,
                         const std::function<void(int, TRect, TOwnerDrawState)>& drawDefault) {
  const TOwnerDrawState state = DrawState(item.itemState);
  const TRect rect = TRect::From(item.rcItem);
  const int index = static_cast<int>(item.itemID);
  canvas.SetHandle(item.hDC);
  SyncFont(canvas, font);
  canvas.Brush().SetColor(color);
  if (index >= 0 && (state & odSelected)) {
    canvas.Brush().SetColor(clHighlight);
    canvas.Font().SetColor(clHighlightText);
  }
  if (index < 0) {
    canvas.FillRect(rect);
  } else if (onDrawItem) {
    DispatchEvent(onDrawItem, control, index, rect, state);
  } else {
    Dispatch([&] { drawDefault(index, rect, state); });
  }
  if (state & odFocused) {
    RECT r = rect.ToRECT();
    DrawFocusRect(item.hDC, &r);
  }
  canvas.SetHandle(nullptr);
}

// The default drawing of an item: its text on the background.
void DrawItemText(TCanvas& canvas, const TListItems& items, int index, TRect rect) {
  canvas.FillRect(rect);
  if (index >= 0 && index < items.Count()) canvas.TextOut(rect.Left + 2, rect.Top, items[index]);
}
}  // namespace

// ---------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  width_ = 65;
  height_ = 17;
}

void TLabel::SetAutoSize(bool value) {
  autoSize_ = value;
  AdjustSize();
}
void TLabel::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  AdjustSize();
  Invalidate();
}
void TLabel::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Invalidate();
}
void TLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}
void TLabel::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  AdjustSize();
  Invalidate();
}

UINT TLabel::DrawTextFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (wordWrap_) flags |= DT_WORDBREAK;
  if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  else if (alignment_ == taCenter) flags |= DT_CENTER;
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  return flags;
}

bool TLabel::DialogChar(char accel) {
  if (!showAccelChar_ || accel == 0 || AccelChar() != accel) return false;
  if (focusControl_ == nullptr || !focusControl_->AcceptsInput()) return false;
  focusControl_->SetFocus();
  return true;
}

void TLabel::AdjustSize() {
  if (!autoSize_) return;
  TCanvas& canvas = Canvas();
  SyncFont(canvas, font_);
  TRect r = Rect(0, 0, wordWrap_ ? width_ : 0, 0);
  const std::string text = caption_.empty() ? std::string(" ") : caption_;
  canvas.DrawText(text, r, (DrawTextFlags() & ~static_cast<UINT>(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
  int left = left_;
  if (alignment_ == taRightJustify && !wordWrap_) left = left_ + width_ - r.Width();
  const int width = wordWrap_ ? width_ : r.Width();
  Invalidate();
  SetBounds(left, top_, width, r.Height());
}

std::optional<TAccessibleItem> TLabel::AccessibleItem() const {
  if (decorative_ || caption_.empty()) return std::nullopt;
  return TAccessibleItem{ROLE_SYSTEM_STATICTEXT, showAccelChar_ ? CaptionWithoutAccelMarks(caption_) : caption_, ""};
}

void TLabel::TextChanged() {
  AdjustSize();
  FitScaledHeight();
  Invalidate();
  NotifyNameChange(*this);
}

void TLabel::FontChanged() {
  AdjustSize();
  Invalidate();
}

void TLabel::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  if (!transparent_) {
    canvas.Brush().SetColor(color_);
    canvas.FillRect(r);
  }
  canvas.Brush().SetStyle(bsClear);
  SyncFont(canvas, font_);
  const UINT flags = DrawTextFlags();
  if (!enabled_) {
    // Disabled look: a highlight copy 1 px down-right under a shadow copy.
    const TColor color = canvas.Font().Color();
    TRect shifted = Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
    canvas.Font().SetColor(clBtnHighlight);
    canvas.DrawText(caption_, shifted, flags);
    canvas.Font().SetColor(clBtnShadow);
    canvas.DrawText(caption_, r, flags);
    canvas.Font().SetColor(color);
  } else {
    canvas.DrawText(caption_, r, flags);
  }
}

// ---------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  width_ = 75;
  height_ = 25;
  tabStop_ = true;
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass = "BUTTON";
  params.ExStyle = 0;
  params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
  default_ = value;
  if (handle_ != nullptr) {
    SendMessageA(handle_, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

void TButton::Click() {
  if (handle_ != nullptr) {
    SendMessageA(handle_, BM_CLICK, 0, 0);
  } else {
    Pressed();
  }
}

void TButton::Pressed() {
  if (modalResult_ != mrNone) {
    for (TWinControl* w = parent_; w != nullptr && !w->TakeModalResult(modalResult_); w = w->Parent()) {
    }
  }
  DispatchEvent(OnClick, this);
}

bool TButton::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (enabled_) Pressed();
    result = 0;
    return true;
  }
  return TWinControl::Notification(message, wParam, lParam, result);
}

bool TButton::DialogKey(WPARAM key) {
  // Enter presses the focused button (the form offers it first) and the
  // default one; Escape the cancel button.
  const bool answers = key == VK_RETURN ? default_ || Focused() : key == VK_ESCAPE && cancel_;
  if (answers) Click();
  return answers;
}

bool TButton::DialogChar(char accel) {
  if (accel == 0 || AccelChar() != accel) return false;
  if (handle_ != nullptr) ::SetFocus(handle_);
  Click();
  return true;
}

// ---------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  width_ = 121;
  height_ = 21;
  tabStop_ = true;
  color_ = clWindow;
  parentColor_ = false;
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass = "EDIT";
  params.Style |= ES_AUTOHSCROLL;
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  if (readOnly_) params.Style |= ES_READONLY;
  params.ExStyle = WS_EX_CLIENTEDGE;
}

void TEdit::CreateWnd() {
  TWinControl::CreateWnd();
  SetWindowTextA(handle_, caption_.c_str());
}

std::string TEdit::GetText() {
  if (handle_ != nullptr) caption_ = WindowText(handle_);
  return caption_;
}

void TEdit::SelectAll() {
  // The selection lives in the window only: it is made for this.
  SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

int TEdit::SelStart() {
  DWORD start = 0, end = 0;
  if (handle_ != nullptr) SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int TEdit::SelLength() {
  DWORD start = 0, end = 0;
  if (handle_ != nullptr) SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TEdit::SetReadOnly(bool value) {
  readOnly_ = value;
  if (handle_ != nullptr) SendMessageA(handle_, EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

bool TEdit::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    caption_ = WindowText(handle_);
    DispatchEvent(OnChange, this);
    result = 0;
    return true;
  }
  return TWinControl::Notification(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  width_ = 185;
  height_ = 89;
  tabStop_ = true;
  color_ = clWindow;
  parentColor_ = false;
}

void TMemo::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass = "EDIT";
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (!wordWrap_) params.Style |= ES_AUTOHSCROLL;
  if (readOnly_) params.Style |= ES_READONLY;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
  params.ExStyle = WS_EX_CLIENTEDGE;
}

void TMemo::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(handle_, EM_LIMITTEXT, 0, 0);
  SetWindowTextA(handle_, caption_.c_str());
}

void TMemo::Recreate() {
  if (handle_ == nullptr) return;
  caption_ = WindowText(handle_);
  RecreateWnd();
}

std::string TMemo::GetText() {
  if (handle_ != nullptr) caption_ = WindowText(handle_);
  return caption_;
}

std::string TMemo::Line(int index) {
  HWND window = Handle();
  const LRESULT start = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return std::string();
  const LRESULT length = SendMessageA(window, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  std::string text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + sizeof(WORD), '\0');
  const WORD capacity = static_cast<WORD>(std::min<std::size_t>(text.size(), 0xFFFF));
  std::memcpy(text.data(), &capacity, sizeof capacity);
  const LRESULT got = SendMessageA(window, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  return text;
}

void TMemo::LoadFromFile(const std::string& path) {
  // Everything is read before anything changes, so a failure leaves the
  // text (and the read-only state) as it was.
  TFileStream file(path, FileMode::OpenRead);
  std::string data;
  char buffer[16384];
  for (;;) {
    const std::size_t got = file.Read(buffer, sizeof buffer);
    if (got == 0) break;
    data.append(buffer, got);
  }
  caption_ = ToMemoText(data);
  TextChanged();
}

void TMemo::SetReadOnly(bool value) {
  readOnly_ = value;
  if (handle_ != nullptr) SendMessageA(handle_, EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (value == scrollBars_) return;
  scrollBars_ = value;
  Recreate();
}

void TMemo::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  Recreate();
}

bool TMemo::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    caption_ = WindowText(handle_);
    DispatchEvent(OnChange, this);
    result = 0;
    return true;
  }
  return TWinControl::Notification(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------

namespace {
bool ItemBefore(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }
}  // namespace

TCustomListControl::TCustomListControl(TComponent* owner, const ListMessages& messages)
    : TWinControl(owner), messages_(messages) {
  tabStop_ = true;
  color_ = clWindow;
  parentColor_ = false;
}

void TCustomListControl::CreateWnd() {
  TWinControl::CreateWnd();
  ApplyItemHeight();
  std::vector<std::string> items = std::move(items_.items_);
  items_.items_.clear();
  for (const auto& item : items) AddItem(item);
  if (pendingIndex_ >= 0) SendMessageA(handle_, messages_.setCurSel, static_cast<WPARAM>(pendingIndex_), 0);
}

void TCustomListControl::Recreate() {
  if (handle_ == nullptr) return;
  pendingIndex_ = ItemIndex();
  RecreateWnd();
}

int TCustomListControl::AddItem(const std::string& text) {
  if (handle_ == nullptr) {
    auto& items = items_.items_;
    auto at = sorted_ ? std::upper_bound(items.begin(), items.end(), text, ItemBefore) : items.end();
    return static_cast<int>(items.insert(at, text) - items.begin());
  }
  const LRESULT index = SendMessageA(handle_, messages_.addString, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index < 0) throw EInvalidOperation("Cannot add \"" + text + "\" to the list");
  items_.items_.insert(items_.items_.begin() + index, text);
  return static_cast<int>(index);
}

void TCustomListControl::SetItems(const std::vector<std::string>& items) {
  Clear();
  if (handle_ != nullptr) SendMessageA(handle_, WM_SETREDRAW, FALSE, 0);
  for (const auto& item : items) AddItem(item);
  if (handle_ != nullptr) {
    SendMessageA(handle_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(handle_, nullptr, TRUE);
  }
}

void TCustomListControl::Clear() {
  items_.items_.clear();
  pendingIndex_ = -1;
  if (handle_ != nullptr) SendMessageA(handle_, messages_.resetContent, 0, 0);
}

int TCustomListControl::ItemIndex() {
  if (handle_ == nullptr) return pendingIndex_;
  return static_cast<int>(SendMessageA(handle_, messages_.getCurSel, 0, 0));
}

void TCustomListControl::SetItemIndex(int index) {
  pendingIndex_ = index;
  if (handle_ != nullptr) SendMessageA(handle_, messages_.setCurSel, static_cast<WPARAM>(index), 0);
}

void TCustomListControl::SetItemHeight(int value) {
  itemHeight_ = value;
  if (handle_ != nullptr) ApplyItemHeight();
}

void TCustomListControl::SortStoredItems() {
  std::stable_sort(items_.items_.begin(), items_.items_.end(), ItemBefore);
}

void TCustomListControl::DrawItem(int index, TRect rect, TOwnerDrawState) {
  DrawItemText(itemCanvas_, items_, index, rect);
}

bool TCustomListControl::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_DRAWITEM:
      PaintOwnerDrawnItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), this, itemCanvas_, font_,
                          color_, OnDrawItem,
                          [this](int i, TRect r, TOwnerDrawState st) { DrawItem(i, r, st); });
      result = TRUE;
      return true;
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      item->itemHeight = static_cast<UINT>(std::max(itemHeight_, 1));
      result = TRUE;
      return true;
    }
    default:
      return TWinControl::Notification(message, wParam, lParam, result);
  }
}

// ---------------------------------------------------------------------------

TListBox::TListBox(TComponent* owner)
    : TCustomListControl(owner, {LB_ADDSTRING, LB_RESETCONTENT, LB_GETCURSEL, LB_SETCURSEL}) {
  width_ = 121;
  height_ = 97;
}

void TListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass = "LISTBOX";
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  params.Style |= LBS_NOTIFY | WS_VSCROLL;
  if (sorted_) params.Style |= LBS_SORT;
  if (style_ == lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
  if (style_ == lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS;
  params.ExStyle = WS_EX_CLIENTEDGE;
}

void TListBox::CreateWnd() {
  TCustomListControl::CreateWnd();
  // The height is rounded to whole items by the control; keep what it chose.
  RECT r;
  GetWindowRect(handle_, &r);
  height_ = r.bottom - r.top;
}

void TListBox::ApplyItemHeight() {
  if (style_ != lbOwnerDrawFixed) return;
  SendMessageA(handle_, LB_SETITEMHEIGHT, 0, itemHeight_);
  InvalidateRect(handle_, nullptr, TRUE);
}

void TListBox::SetStyle(TListBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  Recreate();
}

void TListBox::SetSorted(bool value) {
  if (value == sorted_) return;
  sorted_ = value;
  if (value) SortStoredItems();
  Recreate();
}

TRect TListBox::ItemRect(int index) {
  RECT r{};
  SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return TRect::From(r);
}

bool TListBox::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND) {
    if (HIWORD(wParam) == LBN_SELCHANGE) {
      DispatchEvent(OnClick, this);
      return true;
    }
    if (HIWORD(wParam) == LBN_DBLCLK) {
      DispatchEvent(OnDblClick, this);
      return true;
    }
    return false;
  }
  return TCustomListControl::Notification(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------

TComboBox::TComboBox(TComponent* owner)
    : TCustomListControl(owner, {CB_ADDSTRING, CB_RESETCONTENT, CB_GETCURSEL, CB_SETCURSEL}) {
  width_ = 145;
  height_ = 21;
}

void TComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass = "COMBOBOX";
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  params.Style |= WS_VSCROLL;
  switch (style_) {
    case csDropDown: params.Style |= CBS_DROPDOWN | CBS_AUTOHSCROLL; break;
    case csSimple: params.Style |= CBS_SIMPLE | CBS_AUTOHSCROLL; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS; break;
    case csOwnerDrawVariable: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS; break;
  }
  params.ExStyle = 0;
}

int TComboBox::WindowHeight(int height) const {
  if (style_ == csSimple) return height;
  return height + itemHeight_ * kDropDownCount + 2;
}

void TComboBox::CreateWnd() {
  TCustomListControl::CreateWnd();
  if (style_ != csDropDownList && !OwnerDrawn()) SetWindowTextA(handle_, caption_.c_str());
}

void TComboBox::ApplyItemHeight() {
  if (!OwnerDrawn()) return;
  // The selection field is as high as an item (plus its frame).
  SendMessageA(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
  SendMessageA(handle_, CB_SETITEMHEIGHT, 0, itemHeight_);
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  Recreate();
}

bool TComboBox::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND) {
    if (HIWORD(wParam) == CBN_SELCHANGE) {
      DispatchEvent(OnClick, this);
      DispatchEvent(OnChange, this);
      return true;
    }
    if (HIWORD(wParam) == CBN_EDITCHANGE) {
      caption_ = WindowText(handle_);
      DispatchEvent(OnChange, this);
      return true;
    }
    return false;
  }
  return TCustomListControl::Notification(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  width_ = 185;
  height_ = 105;
}

void TGroupBox::TextChanged() { Invalidate(); }

void TGroupBox::PaintWindow(TCanvas& canvas) {
  canvas.Brush().SetColor(color_);
  canvas.FillRect(ClientRect());
  SyncFont(canvas, font_);
  const int textHeight = canvas.TextHeight("0");
  RECT frame{0, textHeight / 2, width_, height_};
  DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
  if (!caption_.empty()) {
    TRect r = Rect(8, 0, 0, 0);
    canvas.DrawText(caption_, r, DT_CALCRECT | DT_SINGLELINE);
    r = Rect(8, 0, 8 + r.Width() + 4, textHeight);
    canvas.Brush().SetColor(color_);
    canvas.FillRect(r);
    r.Left += 2;
    if (!enabled_) canvas.Font().SetColor(clGrayText);
    canvas.DrawText(caption_, r, DT_SINGLELINE | DT_LEFT);
    if (!enabled_) canvas.Font().SetColor(font_.Color());
  }
}
