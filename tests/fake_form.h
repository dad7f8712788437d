// A window without a toolkit: the commands' inputs as plain values.
#pragma once

#include "app/form.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

namespace brisel {

// The four inputs as the user sees them; option -1 when neither is selected.
struct Inputs {
    std::u16string source, destination, prefix;
    int option = -1;

    bool operator==(const Inputs&) const = default;
};

inline void PrintTo(const Inputs& i, std::ostream* os) {
    *os << "{" << testing::PrintToString(i.source) << ", " << testing::PrintToString(i.destination) << ", "
        << testing::PrintToString(i.prefix) << ", " << i.option << "}";
}

class FakeForm final : public Form {
public:
    void setTitle(std::u16string_view text) override { title = text; }
    std::u16string text(TextBox box) const override { return texts[static_cast<std::size_t>(box)]; }
    void setText(TextBox box, std::u16string_view text) override { texts[static_cast<std::size_t>(box)] = text; }
    bool isSelected(int index) const override { return selected[static_cast<std::size_t>(index)]; }
    void select(int index) override {
        selected = {};
        selected[static_cast<std::size_t>(index)] = true;
    }
    void deselect(int index) override { selected[static_cast<std::size_t>(index)] = false; }
    void unload() override { unloaded = true; }

    Inputs inputs() const {
        return {texts[0], texts[1], texts[2], selected[0] ? 0 : selected[1] ? 1 : -1};
    }
    void fillIn(const Inputs& i) {
        texts = {i.source, i.destination, i.prefix};
        selected = {i.option == 0, i.option == 1};
    }

    std::u16string title;
    std::array<std::u16string, 3> texts;  // in the order of TextBox
    std::array<bool, 2> selected{};
    bool unloaded = false;
};

}  // namespace brisel
