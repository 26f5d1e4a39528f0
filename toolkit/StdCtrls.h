// Standard controls: label, button, edit, memo, list box, combo box, group box.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Controls.h"

// A text drawn by its parent (no window).
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  // AutoSize (default on): the label takes the size of its text (with word
  // wrap, only the height follows the text).
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  // Transparent: the parent's picture stays visible behind the text.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  // "&" marks the accelerator (default on); "&&" is a literal "&".
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  // The control focused by the label's accelerator.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control) { focusControl_ = control; }

  // DrawText flags the label paints with.
  UINT DrawTextFlags() const;

  // Its access key focuses FocusControl.
  bool DialogChar(char accel) override;
  std::optional<std::string> WindowlessText() const override { return caption_; }
  // Static text named by its caption (without access-key marks); nothing
  // when empty or decorative.
  std::optional<TAccessibleItem> AccessibleItem() const override;
  // A decorative label repeats another's text (a shadow under a title):
  // screen readers skip it.
  bool Decorative() const { return decorative_; }
  void SetDecorative(bool value) { decorative_ = value; }
  // An auto-sized label measures its text again in the scaled font.
  void ChangeScale(int ppi) override;

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void AdjustSize();
  // On a scaled form: a fixed, wrapped label grows to its text's height.
  void FitScaledHeight();

 private:
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool transparent_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool showAccelChar_ = true;
  bool decorative_ = false;
  TWinControl* focusControl_ = nullptr;
};

// A push button. Default: Enter presses it (unless another button has the
// focus). Cancel: Escape presses it. A non-zero ModalResult is given to its
// form when pressed.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) { modalResult_ = value; }

  // Presses the button as a user's click does (BM_CLICK through the window).
  void Click() override;

  bool DialogKey(WPARAM key) override;
  bool DialogChar(char accel) override;
  bool DefaultFocus() const override { return default_; }

 protected:
  void CreateParams(TCreateParams& params) override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Pressed();
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

// Single-line edit.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);

  // The text as the window has it now.
  std::string GetText();
  void SelectAll();
  int SelStart();
  int SelLength();
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  TNotifyEvent OnChange;

  bool WantsChars() const override { return true; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool readOnly_ = false;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Multi-line text view. Lines are separated by CR LF in Text.
class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);

  std::string GetText();
  std::string Line(int index);
  // Replaces the whole text with the file's (line breaks CR, LF or CR LF
  // become CR LF). A file that cannot be read raises EFOpenError naming it,
  // and the text and the read-only state stay as they were.
  void LoadFromFile(const std::string& path);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  TNotifyEvent OnChange;

  // Enter makes a line break unless the memo is read-only.
  bool WantsReturn() const override { return !readOnly_; }
  bool WantsChars() const override { return true; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Recreate();
  bool readOnly_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
};

// Owner-draw item states.
enum TOwnerDrawStateFlag : unsigned {
  odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16, odComboBoxEdit = 32
};
using TOwnerDrawState = unsigned;
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;

// Item storage shared by list and combo boxes; mirrors the window's items.
class TListItems {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return items_.at(index); }
  const std::vector<std::string>& All() const { return items_; }

 private:
  friend class TCustomListControl;
  std::vector<std::string> items_;
};

// What a list box and a drop-down list share: the items, kept while there
// is no window and put into each new one; the selection; the item height;
// owner-drawn items. Each kind names its window's messages and says where
// its window takes the item height.
class TCustomListControl : public TWinControl {
 public:
  const TListItems& Items() const { return items_; }
  int AddItem(const std::string& text);
  void SetItems(const std::vector<std::string>& items);
  void Clear();
  int ItemIndex();
  void SetItemIndex(int index);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int value);
  // Also scales ItemHeight.
  void ChangeScale(int ppi) override;
  // Canvas for OnDrawItem (valid inside the handler).
  TCanvas& Canvas() { return itemCanvas_; }

  TNotifyEvent OnClick;
  TDrawItemEvent OnDrawItem;

  // Letters select items.
  bool WantsChars() const override { return true; }

 protected:
  // The window messages of one kind of list.
  struct ListMessages {
    UINT addString, resetContent, getCurSel, setCurSel;
  };
  TCustomListControl(TComponent* owner, const ListMessages& messages);

  void CreateWnd() override;
  // A new window with the same items and selection.
  void Recreate();
  // Gives the window the item height where the window uses it; called when
  // the window is made and when the height changes.
  virtual void ApplyItemHeight() = 0;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Default item drawing: highlight when selected, text 2 px from the left.
  virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);

  // Sorts the items kept while there is no window as the system sorts them.
  void SortStoredItems();

  int itemHeight_ = 13;
  // Items are kept in the order the system sorts them (a list box's LBS_SORT).
  bool sorted_ = false;

 private:
  const ListMessages messages_;
  TListItems items_;
  int pendingIndex_ = -1;
  TCanvas itemCanvas_;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TListBox : public TCustomListControl {
 public:
  explicit TListBox(TComponent* owner);

  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  // Item rectangle in client coordinates.
  TRect ItemRect(int index);

  TNotifyEvent OnDblClick;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void ApplyItemHeight() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  TListBoxStyle style_ = lbStandard;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Combo box; csOwnerDrawFixed is a drop-down list drawn by OnDrawItem.
class TComboBox : public TCustomListControl {
 public:
  explicit TComboBox(TComponent* owner);

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void ApplyItemHeight() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  int WindowHeight(int height) const override;

 private:
  bool OwnerDrawn() const { return style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable; }
  TComboBoxStyle style_ = csDropDown;
};

// A frame with a caption; a container for other controls.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);

 protected:
  void PaintWindow(TCanvas& canvas) override;
  void TextChanged() override;
};
