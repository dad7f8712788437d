// The window's commands over a plain form and a fake desktop, in a fresh working folder.
#pragma once

#include "app/commands.h"

#include "fake_desktop.h"
#include "fake_form.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace brisel {

class CommandsTest : public testing::Test {
protected:
    void fillIn(std::u16string source, std::u16string destination, std::u16string prefix, int option) {
        form.fillIn({std::move(source), std::move(destination), std::move(prefix), option});
    }

    TempFolder folder;
    FakeDesktop desktop;
    FakeForm form;
    Commands commands{form, desktop};
};

}  // namespace brisel
