// The Windows window on a display: its layout as a user meets it, its keyboard order and
// its buttons wired to the commands.
#include "app/win32/converter.h"

#include "app/edge_cases.h"
#include "fake_desktop.h"
#include "temp_folder.h"
#include "workbook_fixture.h"

#include <commctrl.h>
#include <oleacc.h>
#include <shlobj.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <string>

namespace brisel {
namespace {

using layout::Control;

std::u16string windowText(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return utf16(text);
}

class Win32Window : public testing::Test {
protected:
    void TearDown() override {
        // Closing the window posts the end of the program; the next test has a loop of its own.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

    HWND control(Control which) const { return window.control(which); }
    void click(Control which) { SendMessageW(control(which), BM_CLICK, 0, 0); }
    bool checked(Control which) const { return SendMessageW(control(which), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void type(Control which, const std::u16string& text) {
        SetWindowTextW(control(which), wide(text).c_str());
    }

    // Every control where the layout puts it at `dpi`, and the client area around them.
    void expectLayoutAt(UINT dpi) const {
        const auto pixels = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), layout::twipsPerInch); };
        RECT client{};
        GetClientRect(window.handle(), &client);
        EXPECT_EQ(client.right, pixels(layout::clientArea.width)) << dpi << " dpi";
        EXPECT_EQ(client.bottom, pixels(layout::clientArea.height)) << dpi << " dpi";
        for (const layout::Entry& entry : layout::controls) {
            RECT place{};
            GetWindowRect(control(entry.control), &place);
            MapWindowPoints(nullptr, window.handle(), reinterpret_cast<POINT*>(&place), 2);
            const layout::Twips twips = layout::inClientArea(entry);
            const RECT expected{pixels(twips.left), pixels(twips.top), pixels(twips.left) + pixels(twips.width),
                                pixels(twips.top) + pixels(twips.height)};
            EXPECT_TRUE(EqualRect(&place, &expected)) << entry.name << " at " << dpi << " dpi";
        }
    }

    std::u16string toolTip(Control which) const {
        wchar_t text[256] = L"";
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window.handle();
        tool.uId = reinterpret_cast<UINT_PTR>(control(which));
        tool.lpszText = text;
        SendMessageW(window.toolTips(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return utf16(text);
    }

    TempFolder folder;
    FakeDesktop desktop;
    converter window{desktop};
};

TEST_F(Win32Window, StartsEmptyCentredAndFixedUnderItsVersionedTitle) {
    window.show(SW_SHOWNORMAL);  // hiding it again costs Wine seconds: the other tests leave it hidden
    EXPECT_EQ(windowText(window.handle()), u"Materialdaten konvertieren  v1.2");
    for (const Control box : {Control::txt_source, Control::txt_prefix, Control::txt_destination})
        EXPECT_EQ(windowText(control(box)), u"");
    EXPECT_FALSE(checked(Control::action0));
    EXPECT_FALSE(checked(Control::action1));
    EXPECT_EQ(GetFocus(), control(Control::txt_source));

    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window.handle(), GWL_STYLE));
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0u);

    RECT frame{}, workArea{};
    GetWindowRect(window.handle(), &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    EXPECT_LE(std::abs((frame.left + frame.right) - (workArea.left + workArea.right)), 1);
    EXPECT_LE(std::abs((frame.top + frame.bottom) - (workArea.top + workArea.bottom)), 1);
}

TEST_F(Win32Window, PlacesCaptionsAndToolTipsAsTheLayoutSays) {
    expectLayoutAt(GetDpiForWindow(window.handle()));
    for (const layout::Entry& entry : layout::controls) {
        if (entry.kind != layout::Kind::textBox) {
            EXPECT_EQ(windowText(control(entry.control)), entry.caption) << entry.name;
        }
        EXPECT_EQ(toolTip(entry.control), entry.toolTip) << entry.name;
    }
}

TEST_F(Win32Window, DrawsItsLayoutAnewForAMonitorOfAnotherScale) {
    for (const UINT dpi : {144u, 120u, 96u}) {
        RECT suggested{};
        GetWindowRect(window.handle(), &suggested);
        OffsetRect(&suggested, 10, 20);
        SendMessageW(window.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        expectLayoutAt(dpi);
        RECT frame{};
        GetWindowRect(window.handle(), &frame);
        EXPECT_EQ(frame.left, suggested.left);
        EXPECT_EQ(frame.top, suggested.top);
        LOGFONTW font{};
        GetObjectW(GetWindowFont(control(Control::txt_source)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -MulDiv(8, static_cast<int>(dpi), 72)) << dpi << " dpi";
    }
}

TEST_F(Win32Window, NamesTheTextBoxesAfterTheirFramesForScreenReaders) {
    // Wine's oleacc offers the service, but its SetHwndPropStr answers E_NOTIMPL.
    const HRESULT named = window.accessibleNames();
    EXPECT_TRUE(named == S_OK || named == E_NOTIMPL) << std::hex << named;
    IAccessible* box = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control(Control::txt_source), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&box))))
        GTEST_SKIP() << "this system's oleacc gives no object for a text box";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT read = box->get_accName(self, &name);
    box->Release();
    if (read != S_OK)
        GTEST_SKIP() << "this system's oleacc reads no name of a text box";
    EXPECT_EQ(std::wstring(name), L"CSV - Quelldatei");
    SysFreeString(name);
}

TEST_F(Win32Window, TabGoesThroughTheControlsInOrder) {
    click(Control::action0);  // Tab enters the option group at its selected button
    const Control order[] = {Control::txt_source,   Control::cmd_select_source, Control::txt_prefix,
                             Control::txt_destination, Control::cmd_select_destination, Control::action0,
                             Control::cmd_defaults, Control::cmd_convert, Control::cmd_beenden, Control::txt_source};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(GetNextDlgTabItem(window.handle(), control(order[i]), FALSE), control(order[i + 1])) << "step " << i;
    // The arrow keys go round within the option group.
    EXPECT_EQ(GetNextDlgGroupItem(window.handle(), control(Control::action0), FALSE), control(Control::action1));
    EXPECT_EQ(GetNextDlgGroupItem(window.handle(), control(Control::action1), FALSE), control(Control::action0));
}

TEST_F(Win32Window, OptionsAreOneGroupForTheUser) {
    for (const Control clicked : {Control::action0, Control::action1, Control::action1, Control::action0}) {
        click(clicked);
        EXPECT_TRUE(checked(clicked));
        EXPECT_FALSE(checked(clicked == Control::action0 ? Control::action1 : Control::action0));
    }
}

TEST_F(Win32Window, EnterAndEscapeTriggerNothing) {
    type(Control::txt_source, folder.write(u"tabelle.csv", "K\r\nA;1;2;3;4;5\r\n"));
    type(Control::txt_destination, u"material.ini");
    click(Control::action0);
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(IsWindow(window.handle()));
    EXPECT_FALSE(folder.exists(u"material.ini"));
}

TEST_F(Win32Window, FilesDroppedFromTheExplorerFillTheBoxes) {
    // A drop as the Explorer sends it: the point in the client area, then the files' names.
    const auto drop = [&](Control on, std::initializer_list<std::wstring_view> files) {
        std::wstring names;
        for (const std::wstring_view file : files)
            names.append(file).push_back(L'\0');
        names.push_back(L'\0');
        const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
        const layout::Twips place = layout::inClientArea(layout::entry(on));
        header->pFiles = sizeof(DROPFILES);
        const int dpi = static_cast<int>(GetDpiForWindow(window.handle()));
        header->pt = {MulDiv(place.left + place.width / 2, dpi, layout::twipsPerInch),
                      MulDiv(place.top + place.height / 2, dpi, layout::twipsPerInch)};
        header->fWide = TRUE;
        std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(header + 1));
        GlobalUnlock(memory);
        SendMessageW(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    };
    type(Control::txt_prefix, u"*");
    drop(Control::txt_source, {L"C:\\Daten\\Mär z.csv", L"C:\\Daten\\zweite.csv"});
    drop(Control::frm_destination, {L"C:\\Daten\\material.ini"});
    drop(Control::txt_prefix, {L"C:\\Daten\\x.csv"});
    EXPECT_EQ(windowText(control(Control::txt_source)), u"C:\\Daten\\Mär z.csv");
    EXPECT_EQ(windowText(control(Control::txt_destination)), u"C:\\Daten\\material.ini");
    EXPECT_EQ(windowText(control(Control::txt_prefix)), u"*");
}

TEST_F(Win32Window, ButtonsRunTheirCommandsOnTheControls) {
    desktop.choices = {folder.write(u"tabelle.csv", "K\r\nStahl;7,85;1;31;45;2,5\r\n"), u"material.ini"};
    click(Control::cmd_select_source);
    click(Control::cmd_select_destination);
    type(Control::txt_prefix, u"*");
    click(Control::action1);
    click(Control::cmd_convert);
    EXPECT_EQ(folder.read(u"material.ini"), "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n");

    click(Control::cmd_defaults);  // no brisel.conf: the default file is written and read
    EXPECT_EQ(windowText(control(Control::txt_source)), u"konvertierungsblatt.csv");
    EXPECT_TRUE(checked(Control::action0));
    EXPECT_FALSE(checked(Control::action1));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].title, u"Konvertierung erfolgreich");
    EXPECT_EQ(desktop.messages[1].title, u"Konfiguration nicht gefunden");

    click(Control::cmd_beenden);
    EXPECT_EQ(window.handle(), nullptr);
}

// Every case of edge_cases.h, typed into the window and clicked.
class Win32WindowEdgeCases : public Win32Window, public testing::WithParamInterface<EdgeCase> {};

TEST_P(Win32WindowEdgeCases, ThroughTheWindowsWindow) {
    const EdgeCase& row = GetParam();
    layFiles(row, folder);
    const Inputs before = inputsBefore(row);
    type(Control::txt_source, before.source);
    type(Control::txt_destination, before.destination);
    type(Control::txt_prefix, before.prefix);
    if (before.option != -1)
        click(before.option == 0 ? Control::action0 : Control::action1);
    desktop.answer = row.answer;
    click(row.button == Button::konvertieren ? Control::cmd_convert : Control::cmd_defaults);
    EXPECT_EQ(desktop.messages, boxesAfter(row, folder.path({})));
    const Inputs shown{windowText(control(Control::txt_source)), windowText(control(Control::txt_destination)),
                       windowText(control(Control::txt_prefix)),
                       checked(Control::action0) ? 0 : checked(Control::action1) ? 1 : -1};
    EXPECT_EQ(shown, inputsAfter(row));
    EXPECT_EQ(desktop.editedFiles, editorStartedOn(row));
    expectFiles(folder, filesAfter(row));
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32WindowEdgeCases, testing::ValuesIn(edgeCases()), edgeCaseName);

TEST_F(Win32Window, ConvertsAWorkbookTypedAsTheSource) {
    type(Control::txt_source, folder.write(u"Materialien.xlsx", workbookFixture("handgemacht.xlsx")));
    type(Control::txt_destination, u"material.ini");
    click(Control::action0);
    click(Control::cmd_convert);
    EXPECT_EQ(folder.read(u"material.ini"), "MAT=1,Stahl; verzinkt\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
                                            "MAT=2,Aluminium \r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, u"Konvertierung erfolgreich");
}

TEST_F(Win32Window, TheFramesCloseCommandEndsTheWindow) {
    SendMessageW(window.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(window.handle(), nullptr);
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
}  // namespace brisel
