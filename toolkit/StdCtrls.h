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
  friend class TListBox;
  friend class TComboBox;
  std::vector<std::string> items_;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* owner);

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
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  // Item rectangle in client coordinates.
  TRect ItemRect(int index);
  // Canvas for OnDrawItem (valid inside the handler).
  TCanvas& Canvas() { return itemCanvas_; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TDrawItemEvent OnDrawItem;

  // Letters select items.
  bool WantsChars() const override { return true; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Default item drawing: highlight when selected, text 2 px from the left.
  virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);

 private:
  void Recreate();
  TListItems items_;
  int itemHeight_ = 13;
  TListBoxStyle style_ = lbStandard;
  bool sorted_ = false;
  int pendingIndex_ = -1;
  TCanvas itemCanvas_;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Combo box; csOwnerDrawFixed is a drop-down list drawn by OnDrawItem.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* owner);

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
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  TCanvas& Canvas() { return itemCanvas_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnClick;
  TDrawItemEvent OnDrawItem;

  bool WantsChars() const override { return true; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  int WindowHeight(int height) const override;
  virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);

 private:
  void Recreate();
  TListItems items_;
  int itemHeight_ = 13;
  TComboBoxStyle style_ = csDropDown;
  int pendingIndex_ = -1;
  TCanvas itemCanvas_;
};

// A frame with a caption; a container for other controls.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);

 protected:
  void PaintWindow(TCanvas& canvas) override;
  void TextChanged() override;
};
