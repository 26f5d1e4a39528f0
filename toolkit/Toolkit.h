// The windowing toolkit over Win32 (Win32 only). Include this header for all
// of it.
//
// The toolkit at a glance
// ----------------------
// Ownership. TComponent owns the components created with it as owner and
// destroys them newest first. Create owned objects with
//   auto* b = NewComponent<TButton>(form);   // owned by form
//   b->SetParent(panel);                     // shown inside panel
// and unowned ones (a dialog built in code) with MakeComponent<TForm>().
// Application->CreateForm<TForm1>(&Form1) creates forms owned by the
// application; the first becomes MainForm. No raw new/delete anywhere.
//
// Controls (Controls.h). TControl: Parent, Left/Top/Width/Height, SetBounds,
// Visible/Show/Hide, Enabled, Caption/Text, Color/ParentColor,
// Font/ParentFont, Anchors (akLeft|akTop|akRight|akBottom), Align, Invalidate
// (paint later) and Repaint (paint now). TWinControl wraps an HWND created on
// demand (Handle()); its WndProc is virtual. TGraphicControl has no window: the
// parent paints it in z-order, calling its virtual Paint() with Canvas() drawing
// on the parent's DC (origin moved, clipped to the control). SetControlStyle
// (csOpaque) marks a control that paints all its pixels; its Repaint draws at
// once straight onto the screen, a transparent one repaints its parent area at
// once. TCustomControl is a windowed control painted by Paint().
// TWinControl::PaintTo(dc, x, y) draws a control (a form: its client area)
// with everything on it into any DC, e.g. a TBitmap's, for pixel tests.
//
// Forms (Forms.h). TForm: created hidden, its window made once the form is
// fully constructed (so a derived form's CreateParams counts); Show (also brings it to the front)/
// Hide/SetVisible, ShowModal,
// Close, ModalResult, OnCreate/OnShow/OnHide/OnClose(Sender, TCloseAction&),
// BorderStyle (bsDialog: fixed, close box only; bsNone; bsSizeable),
// FormStyle fsStayOnTop, Position poScreenCenter, WindowState wsMaximized,
// SetClientSize, Color, Font. Layouts are given at 96 pixels per inch: a form
// scales its bounds, fonts and metrics once, when created, to the screen's
// density (ScaleTo, PixelsPerInch; ScaleForPixelsPerInch is the one rounding
// rule, Scaling.cpp). The modal and close behaviour is documented at
// TForm: a modal form is owned by the form it is opened from (and topmost
// when that one is), a form made visible takes the keyboard (Activate), and
// the end of a modal loop gives it back. A form tells its label texts to
// another program that sends it DescribeTextsMessage() (ShownTexts), and
// to screen readers through WM_GETOBJECT: every toolkit-class window answers
// with an IAccessible whose elements are its showing windowless controls
// (AccessibleItem) and child windows (Accessibility.h).
// TApplication (global `Application`): Initialize, CreateForm, Run,
// Terminate/Terminated, ProcessMessages, HandleMessage, HandleException (the
// default error report, defined in Dialogs.cpp with the other boxes),
// Dispatch, Title, ExeName, MainForm. `Screen->PixelsPerInch()`.
//
// Handlers are std::function members: OnClick/OnShow/OnTimer/OnChange
// (TNotifyEvent = void(TObject* Sender)), OnClose (void(TObject* Sender,
// TCloseAction& Action)), OnPaint, OnDrawItem (TDrawItemEvent). The dispatch
// point (Dispatch.h, a leaf that every part includes): the toolkit runs every
// handler, window procedure and timer tick through Dispatch(fn), which
// catches what escapes it and hands it to the error report that the global
// Application installed (HandleException); the program goes on. Call your own
// handlers the same way with DispatchEvent(handler, args...).
//
// Keys reach controls through virtual hooks, never by their type: the form
// offers Enter/Escape (DialogKey) and access keys (DialogChar) to the
// controls that take input (AcceptsInput); WantsReturn/WantsChars keep keys
// for the focused control, DefaultFocus names the control focused first, and
// a button hands its ModalResult up its parents (TakeModalResult). A label
// tells its text through WindowlessText.
//
// Standard controls (StdCtrls.h): TLabel (AutoSize, WordWrap, Transparent,
// Alignment, ShowAccelChar, FocusControl, disabled look), TButton (Default,
// Cancel, ModalResult, "&" access keys; Click() sends BM_CLICK), TEdit
// (SelectAll, ReadOnly), TMemo (ReadOnly, ScrollBars, LoadFromFile), TListBox
// and TComboBox (Items, ItemIndex, owner-draw styles with OnDrawItem and
// Canvas), TGroupBox.
// Extra controls (ExtCtrls.h): TPanel (bevels, BorderStyle, BorderWidth),
// TBevel (shapes, lowered/raised), TImage (Picture: bitmap or icon; AutoSize,
// Transparent), TNotebook (named pages, PageIndex ignores indexes out of
// range; put controls on Page(i)), TTimer (Interval, Enabled, OnTimer).
//
// Graphics (Graphics.h): TColor (red + 256*green + 65536*blue; 0xFF000000+n
// is system colour n; ColorToRGB resolves), named colours clBlack ... clWhite,
// clBtnFace etc. TCanvas: Brush (Color, Style bsSolid/bsClear), Pen, Font
// (Quality, e.g. ANTIALIASED_QUALITY; SetLogFont), FillRect, Ellipse, Pie,
// MoveTo/LineTo, Polyline, Polygon, TextOut (background
// from the brush unless bsClear), TextRect, DrawText, TextExtent/TextWidth/
// TextHeight, CopyRect with CopyMode (SRCCOPY, SRCINVERT, BLACKNESS), Draw
// (transparent for Transparent bitmaps: bottom-left pixel colour left out),
// Pixel/SetPixel. TBitmap: DIB section (pf32bit by default;
// LoadFromBmpData/LoadFromResourceName keep 4-bit pictures as they are) with its
// own Canvas, Pixel read-back, SaveToFile. TIcon. RAII: GdiObject, MemoryDC,
// WindowDC, PaintDC (BeginPaint/EndPaint), SelectGuard, SavedDC;
// LiveGdiObjects()/LiveWindowHandles() count what our wrappers hold, device
// contexts included, for leak tests.
//
// Message boxes (Dialogs.h): ShowMessage (plain: title, no icon, OK),
// MessageDlg(text, mtError/mtInformation/mtConfirmation, mbYes|mbNo|mbOK|
// mbCancel), and the error report all build a TMessageBoxRequest and pass it to
// ShowMessageBox, the one seam. Tests answer boxes with
//   ScopedMessageBoxHandler answer([&](const TMessageBoxRequest& r) {
//     seen.push_back(r); return mrYes; });
// Without a handler the real boxes are shown (MessageBoxA for plain boxes and
// error reports, a dialog form from CreateMessageDialog for MessageDlg). A box
// disables the windows that are visible and enabled, as a modal loop does; a
// modal loop that starts while a box is up leaves the box enabled and on top.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Dispatch.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"
#include "toolkit/StdCtrls.h"
