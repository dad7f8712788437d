// The window's stored layout, shared by every toolkit's window: each control with its
// kind, container, caption, tooltip and place in twips, in tab order.
#pragma once

#include "app/form.h"

#include <array>
#include <optional>
#include <string_view>

namespace brisel::layout {

// 1/1440 inch. At 96 dots per inch a pixel is 15 twips.
constexpr int twipsPerInch = 1440;
constexpr int twipsPerPixel = 15;

struct Twips {
    int left, top, width, height;
};

enum class Kind { frame, textBox, button, option };

// In the order the controls are made and the focus goes round: a control's container
// comes before it, and frames never take the focus.
enum class Control {
    frm_source,
    txt_source,
    cmd_select_source,
    prefix,
    txt_prefix,
    frm_destination,
    txt_destination,
    cmd_select_destination,
    frm_options,
    action0,
    action1,
    cmd_defaults,
    cmd_convert,
    cmd_beenden,
    none,  // the window's client area, as a container
};

struct Entry {
    Control control;
    const char* name;
    Kind kind;
    Control container;
    std::u16string_view caption;
    std::u16string_view toolTip;
    Twips place;  // relative to the container
};

constexpr Twips clientArea{0, 0, 6135, 3465};

inline constexpr std::array<Entry, 14> controls{{
    {Control::frm_source, "frm_source", Kind::frame, Control::none, u"CSV - Quelldatei", {}, {240, 240, 3855, 855}},
    {Control::txt_source, "txt_source", Kind::textBox, Control::frm_source, {}, u"CSV-Quelldatei", {240, 360, 2775, 285}},
    {Control::cmd_select_source, "cmd_select_source", Kind::button, Control::frm_source, u"...", u"Explorer öffnen",
     {3240, 360, 375, 255}},
    {Control::prefix, "prefix", Kind::frame, Control::none, u"Prefix für Materialbezeichnung", {}, {240, 1320, 3855, 855}},
    {Control::txt_prefix, "txt_prefix", Kind::textBox, Control::prefix, {}, {}, {240, 360, 3375, 285}},
    {Control::frm_destination, "frm_destination", Kind::frame, Control::none, u"material.ini  - Zieldatei", {},
     {240, 2400, 3855, 855}},
    {Control::txt_destination, "txt_destination", Kind::textBox, Control::frm_destination, {},
     u"material.ini - Zieldatei", {240, 360, 2775, 285}},
    {Control::cmd_select_destination, "cmd_select_destination", Kind::button, Control::frm_destination, u"...",
     u"Explorer öffnen", {3240, 360, 375, 255}},
    // The frame makes the two options one group: selecting one deselects the other.
    {Control::frm_options, "frm_options", Kind::frame, Control::none, u"Zieldatei", {}, {4320, 240, 1575, 1095}},
    {Control::action0, "action0", Kind::option, Control::frm_options, u"ersetzen", u"Zieldatei überschreiben",
     {240, 360, 1095, 255}},
    {Control::action1, "action1", Kind::option, Control::frm_options, u"erweitern", u"An Zieldatei anhängen",
     {240, 720, 1095, 255}},
    {Control::cmd_defaults, "cmd_defaults", Kind::button, Control::none, u"Standardwerte", {}, {4320, 1920, 1575, 375}},
    {Control::cmd_convert, "cmd_convert", Kind::button, Control::none, u"Konvertieren", {}, {4320, 2400, 1575, 375}},
    {Control::cmd_beenden, "cmd_beenden", Kind::button, Control::none, u"Beenden", {}, {4320, 2880, 1575, 375}},
}};

constexpr const Entry& entry(Control control) {
    return controls[static_cast<std::size_t>(control)];
}

// The place relative to the client area, for toolkits whose controls all sit on the window.
constexpr Twips inClientArea(const Entry& e) {
    if (e.container == Control::none)
        return e.place;
    const Twips outer = inClientArea(entry(e.container));
    return {outer.left + e.place.left, outer.top + e.place.top, e.place.width, e.place.height};
}

// The control of each text box and each option of the window's inputs.
constexpr Control controlOf(TextBox box) {
    switch (box) {
    case TextBox::source:
        return Control::txt_source;
    case TextBox::destination:
        return Control::txt_destination;
    case TextBox::prefix:
        break;
    }
    return Control::txt_prefix;
}

constexpr Control optionControl(int index) {
    return index == 0 ? Control::action0 : Control::action1;
}

// The text box that a control is or holds: where files dropped on it go.
constexpr std::optional<TextBox> boxOf(Control control) {
    switch (control) {
    case Control::frm_source:
    case Control::txt_source:
        return TextBox::source;
    case Control::prefix:
    case Control::txt_prefix:
        return TextBox::prefix;
    case Control::frm_destination:
    case Control::txt_destination:
        return TextBox::destination;
    default:
        return std::nullopt;
    }
}

}  // namespace brisel::layout
