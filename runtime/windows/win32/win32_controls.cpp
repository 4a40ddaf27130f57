// Controls on Win32: the standard window class for each of the five kinds,
// its styles, font and colours, and its text.
#include <map>
#include <string>

#include "runtime/text/gbk.h"
#include "runtime/text/line_breaks.h"
#include "runtime/windows/toolkit.h"
#include "runtime/windows/win32/control_ids.h"
#include "runtime/windows/win32/win32_native.h"
#include "runtime/windows/window_units.h"

namespace runtime {
namespace {

struct ControlClass {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

// Every control clips its siblings, so that overlapping controls are drawn
// in their z-order, and is a group of its own, so that the arrow keys never
// move the focus to a label or a frame.
constexpr DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_GROUP;

ControlClass control_class(ControlKind kind, const ControlProperties& p) {
  const DWORD border = p.borderstyle == 5 ? WS_EX_CLIENTEDGE : 0;
  const DWORD tabstop = p.taborder > 0 ? WS_TABSTOP : 0;
  if (kind == ControlKind::singlelineedit)
    return {L"EDIT", child | tabstop | ES_AUTOHSCROLL | (p.password ? ES_PASSWORD : 0u), border};
  if (kind == ControlKind::multilineedit) {
    // Enter makes a new line; Tab is taken before the edit sees it.
    return {L"EDIT", child | tabstop | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | (p.vscrollbar ? WS_VSCROLL : 0u),
            border};
  }
  if (kind == ControlKind::statictext) return {L"STATIC", child | SS_LEFT | SS_NOPREFIX, 0};  // SS_LEFT wraps at the box
  if (kind == ControlKind::groupbox) return {L"BUTTON", child | BS_GROUPBOX, 0};
  if (kind == ControlKind::commandbutton)
    return {L"BUTTON", child | tabstop | (p.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
  return {nullptr, 0, 0};
}

int system_colour_index(SystemColour colour) {
  constexpr int indexes[] = {COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_WINDOW};  // by SystemColour
  return indexes[static_cast<int>(colour)];
}

}  // namespace

void NativeDeleter::operator()(NativeControl* control) const {
  SetWindowLongPtrW(control->hwnd, GWLP_USERDATA, 0);
  DestroyWindow(control->hwnd);
  if (control->own_brush) DeleteObject(control->own_brush);
  delete control;
}

namespace win32 {

NativeControl* control_of(HWND hwnd) {
  if (!hwnd || !window_holding(hwnd) || GetAncestor(hwnd, GA_ROOT) == hwnd) return nullptr;
  return reinterpret_cast<NativeControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

COLORREF colour(long value) {
  const Colour meant = colour_of(value);
  if (meant.system) return GetSysColor(system_colour_index(*meant.system));
  return RGB(meant.red, meant.green, meant.blue);
}

HBRUSH back_brush(NativeControl& control) {
  const Colour meant = colour_of(control.backcolor);
  if (meant.system) return GetSysColorBrush(system_colour_index(*meant.system));
  if (!control.own_brush) control.own_brush = CreateSolidBrush(RGB(meant.red, meant.green, meant.blue));
  return control.own_brush;
}

HFONT window_font(NativeWindow& window, const Font& font, double logical_dpi) {
  // Negative sizes are points; positive ones pixels at the reference dpi.
  const int height = font.textsize < 0 ? -MulDiv(-font.textsize, static_cast<int>(logical_dpi), 72)
                                        : -static_cast<int>(font.textsize * logical_dpi / 96.0);
  const std::wstring face = wide_text(font.face);
  const std::wstring key = face + L"/" + std::to_wstring(height) + L"/" + std::to_wstring(font.weight) + L"/" +
                           std::to_wstring(font.fontcharset);
  HFONT& made = window.fonts[key];
  if (!made) {
    // Where the face is missing, the font mapper picks one of the character
    // set (GB2312), so the Chinese texts still show at this size.
    made = CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, static_cast<BYTE>(font.fontcharset),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       static_cast<BYTE>(font.fontpitch) | FF_DONTCARE, face.c_str());
  }
  return made;
}

}  // namespace win32

namespace toolkit {

NativeControlPtr control_create(Window& parent, ControlKind kind, const ControlProperties& properties) {
  const ControlClass cls = control_class(kind, properties);
  if (!cls.window_class) return nullptr;
  NativeWindow& window = parent.native();
  const PixelRect rect = parent.units().rect(properties.x, properties.y, properties.width, properties.height);
  // Made with its text and, as the next control of the window, its ID;
  // window_arrange corrects the ID should the array differ.
  std::wstring text = wide_text(utf8_from_gbk(properties.text).text);
  if (kind == ControlKind::multilineedit) text = with_line_breaks(text, L"\r\n");
  const auto id = static_cast<INT_PTR>(win32::first_control_id + window.controls_made++);
  const HWND hwnd = CreateWindowExW(cls.ex_style, cls.window_class, text.c_str(), cls.style, rect.x, rect.y,
                                    rect.width, rect.height, window.hwnd, reinterpret_cast<HMENU>(id),
                                    GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return nullptr;
  auto* control = new NativeControl{};
  control->hwnd = hwnd;
  control->textcolor = properties.textcolor;
  control->backcolor = properties.backcolor;
  control->focusable = takes_focus(kind, properties.taborder);
  control->multiline = kind == ControlKind::multilineedit;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win32::window_font(window, properties.font, parent.logical_dpi())),
               FALSE);
  // No limit of our own: 0 lifts the edit's default of 32767 characters.
  if (kind == ControlKind::singlelineedit || control->multiline) SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  return NativeControlPtr(control);
}

std::string control_text(const NativeControl& control) {
  const int length = GetWindowTextLengthW(control.hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control.hwnd, text.data(), length + 1)));
  return narrow_text(text);
}

void control_set_text(NativeControl& control, std::string_view utf8) {
  std::wstring text = wide_text(utf8);
  if (control.multiline) text = with_line_breaks(text, L"\r\n");
  SetWindowTextW(control.hwnd, text.c_str());
}

bool control_focus(NativeControl& control) {
  if (!control.focusable) return false;
  NativeWindow* window = win32::window_holding(control.hwnd);
  if (!window) return false;
  win32::focus_control(*window, control.hwnd);
  return true;
}

// Screen readers name a field by the static text before it in z-order; the
// form's stacking puts fields above their labels, so there is no link to make.
void control_set_label_for(NativeControl&, NativeControl&) {}

}  // namespace toolkit
}  // namespace runtime
