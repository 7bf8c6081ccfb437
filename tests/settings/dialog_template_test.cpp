// The settings and About dialogs against their control tables: the compiled
// templates (styles, texts and positions in dialog units, order of creation)
// and the windows the dialog manager creates from them.
#include "settings_test_support.h"

#include "settings/settings.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const DWORD CHILD = WS_CHILD | WS_VISIBLE;
const DWORD HIDDEN_CHILD = WS_CHILD;

struct ControlRow
{
    int id;
    const char* className;
    DWORD style;
    const char* text; // "#n" for a resource ordinal
    RECT box;         // dialog units: left, top, width, height
};

const ControlRow SETTINGS_CONTROLS[] = {
    {1002, "Button", CHILD | BS_AUTOCHECKBOX | WS_TABSTOP, "", {309, 25, 10, 8}},
    {1024, "Button", CHILD | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Solmir I", {320, 21, 55, 15}},
    {1003, "Button", CHILD | BS_AUTOCHECKBOX | WS_TABSTOP, "", {310, 40, 8, 8}},
    {1025, "Button", CHILD | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Solmir II", {320, 37, 55, 15}},
    {1005, "Button", CHILD | BS_AUTOCHECKBOX | WS_TABSTOP, "", {310, 56, 8, 8}},
    {1026, "Button", CHILD | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Solmir III", {320, 53, 55, 15}},
    {1007,
     "Button",
     HIDDEN_CHILD | BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP,
     "",
     {47, 84, 8, 8}},
    {1027, "Button", HIDDEN_CHILD | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Module 4", {57, 82, 40, 13}},
    {1004, "Button", HIDDEN_CHILD | BS_AUTOCHECKBOX | WS_TABSTOP, "", {47, 97, 8, 8}},
    {1028, "Button", HIDDEN_CHILD | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Module 5", {57, 95, 40, 13}},
    {1046, "Button", HIDDEN_CHILD | BS_PUSHBUTTON | WS_TABSTOP, "Enable All", {143, 43, 52, 16}},
    {1047, "Button", HIDDEN_CHILD | BS_PUSHBUTTON | WS_TABSTOP, "Disable All", {139, 64, 52, 16}},
    // Scrolling added: without it the box takes no more than three typed digits.
    {1035,
     "Edit",
     CHILD | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL,
     "",
     {324, 84, 32, 13}},
    {1034,
     "msctls_updown32",
     CHILD | UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNRIGHT,
     "Spin1",
     {336, 80, 11, 13}},
    {16, "Button", CHILD | BS_PUSHBUTTON | WS_TABSTOP, "About Solmir", {290, 112, 110, 20}},
    {2, "Button", CHILD | BS_PUSHBUTTON | WS_TABSTOP, "Cancel", {290, 184, 110, 32}},
    {1, "Button", CHILD | BS_PUSHBUTTON | WS_TABSTOP, "OK", {290, 219, 110, 54}},
    {-1, "Static", CHILD | SS_LEFT, "F2, F3 - Rotate Fwd/Bkwd ", {86, 231, 88, 9}},
    {-1, "Static", CHILD | SS_LEFT, "F4, F5 - Rotate Vertical", {86, 241, 84, 9}},
    {-1, "Static", CHILD | SS_LEFT, "F6, F7 - Rotate Left/Right", {192, 221, 84, 9}},
    {-1, "Static", CHILD | SS_LEFT, "Arrow Keys - up down left right", {86, 221, 95, 10}},
    {-1, "Static", CHILD | SS_LEFT, "Page Up - Zoom Out", {10, 231, 68, 9}},
    {-1, "Static", CHILD | SS_LEFT, "Home - Default view", {10, 221, 68, 9}},
    {-1, "Static", CHILD | SS_ETCHEDVERT, "", {80, 216, 1, 41}},
    {-1, "Button", CHILD | BS_GROUPBOX | BS_CENTER, " Animation Control Keys ", {6, 202, 274, 74}},
    {-1, "Static", CHILD | SS_LEFT, "F8 - Slower", {192, 231, 41, 9}},
    {-1, "Static", CHILD | SS_ETCHEDVERT, "", {186, 216, 1, 41}},
    {-1, "Static", CHILD | SS_LEFT, "F9 - Faster", {192, 241, 41, 9}},
    {-1, "Static", CHILD | SS_LEFT, "Page Dn - Zoom In", {10, 241, 69, 9}},
    {-1, "Static", CHILD | SS_LEFT, "seconds", {358, 86, 31, 10}},
    {-1, "Button", CHILD | BS_GROUPBOX | BS_CENTER, "Animation Control", {290, 7, 110, 98}},
    {-1,
     "Static",
     HIDDEN_CHILD | SS_CENTER,
     "Click the checkbox to the left to enable/disable module. Click the push button to preview "
     "module",
     {139, 13, 116, 25}},
    {-1,
     "Static",
     CHILD | SS_CENTER,
     "* These control keys also work while screensaver is active.*",
     {42, 261, 199, 8}},
    {1049, "Button", HIDDEN_CHILD | BS_AUTOCHECKBOX | WS_TABSTOP, "Enable Sound", {47, 12, 61, 10}},
    {1008, "Static", CHILD | SS_BLACKRECT, "", {6, 7, 273, 191}},
    {-1, "Static", CHILD | SS_CENTER, "Switch animation module", {300, 72, 87, 10}},
    {-1, "Static", CHILD | SS_RIGHT, "every", {301, 86, 20, 10}},
};

const ControlRow ABOUT_CONTROLS[] = {
    {-1, "Static", CHILD | SS_ICON, "#104", {39, 74, 20, 20}},
    {-1, "Static", CHILD | SS_ICON, "#104", {184, 74, 20, 20}},
    {-1, "Static", CHILD | SS_ETCHEDFRAME, "", {7, 7, 228, 143}},
    {1, "Button", CHILD | BS_DEFPUSHBUTTON, "OK", {159, 121, 70, 18}},
    {-1, "Static", CHILD | SS_CENTER, "Solmir v1.0.1", {49, 18, 141, 25}},
    {1040, "Button", CHILD | BS_PUSHBUTTON | WS_TABSTOP, "Visit My Web Site", {13, 121, 70, 18}},
    {1039, "Button", CHILD | BS_PUSHBUTTON | WS_TABSTOP, "Send Me Email", {86, 121, 70, 18}},
    {-1, "Static", CHILD | SS_ETCHEDFRAME, "", {69, 110, 104, 2}},
};

struct DialogRow
{
    int resource;
    const char* title;
    DWORD style;
    RECT box;
    const ControlRow* controls;
    size_t count;
};

const DialogRow DIALOGS[] = {
    {2003,
     "Solmir Screen Saver Settings",
     WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_3DLOOK |
         DS_SETFONT,
     {0, 0, 411, 281},
     SETTINGS_CONTROLS,
     sizeof(SETTINGS_CONTROLS) / sizeof(SETTINGS_CONTROLS[0])},
    {100,
     "Solmir Screen Saver",
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT,
     {0, 0, 244, 159},
     ABOUT_CONTROLS,
     sizeof(ABOUT_CONTROLS) / sizeof(ABOUT_CONTROLS[0])},
};

// ---- The compiled template --------------------------------------------------

struct TemplateItem
{
    DWORD style;
    int id;
    std::string className;
    std::string text;
    RECT box;
};

struct ParsedTemplate
{
    DWORD style;
    RECT box;
    std::string title;
    int fontSize;
    std::string font;
    std::vector<TemplateItem> items;
};

std::string Narrow(const WORD*& p)
{
    std::string text;
    while (*p != 0)
    {
        text += static_cast<char>(*p++);
    }
    ++p;
    return text;
}

// A name or an ordinal: "#n" for ordinals, class ordinals by their names.
std::string NameOrOrdinal(const WORD*& p, bool isClass)
{
    if (*p == 0xFFFF)
    {
        WORD ordinal = p[1];
        p += 2;
        if (isClass)
        {
            switch (ordinal)
            {
            case 0x80:
                return "Button";
            case 0x81:
                return "Edit";
            case 0x82:
                return "Static";
            default:
                break;
            }
        }
        return "#" + std::to_string(ordinal);
    }
    return Narrow(p);
}

const WORD* AlignDword(const WORD* p)
{
    return reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
}

bool ParseTemplate(int resource, ParsedTemplate* parsed)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(5));
    if (found == NULL)
    {
        return false;
    }
    const DLGTEMPLATE* header =
        static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(NULL, found)));
    if (header == NULL || HIWORD(header->style) == 0xFFFF)
    {
        return false; // an extended template: the tables expect the classic form
    }
    parsed->style = header->style;
    parsed->box = {header->x, header->y, header->cx, header->cy};
    const WORD* p = reinterpret_cast<const WORD*>(header + 1);
    NameOrOrdinal(p, false); // menu
    NameOrOrdinal(p, true);  // class
    parsed->title = Narrow(p);
    if (header->style & DS_SETFONT)
    {
        parsed->fontSize = *p++;
        parsed->font = Narrow(p);
    }
    for (int i = 0; i < header->cdit; ++i)
    {
        p = AlignDword(p);
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        TemplateItem parsedItem = {};
        parsedItem.style = item->style;
        parsedItem.id = static_cast<short>(item->id);
        parsedItem.box = {item->x, item->y, item->cx, item->cy};
        p = reinterpret_cast<const WORD*>(item + 1);
        parsedItem.className = NameOrOrdinal(p, true);
        parsedItem.text = NameOrOrdinal(p, false);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        parsed->items.push_back(parsedItem);
    }
    return true;
}

std::string RowName(const DialogRow& dialog, size_t index, const ControlRow& row)
{
    return "dialog " + std::to_string(dialog.resource) + " control " + std::to_string(index) +
           " (id " + std::to_string(row.id) + ", \"" + row.text + "\")";
}

TEST(DialogTemplates, MatchTheControlTables)
{
    for (const DialogRow& dialog : DIALOGS)
    {
        ParsedTemplate parsed = {};
        ASSERT_TRUE(ParseTemplate(dialog.resource, &parsed)) << dialog.resource;
        EXPECT_EQ(dialog.style, parsed.style) << dialog.resource;
        EXPECT_EQ(dialog.title, parsed.title) << dialog.resource;
        EXPECT_EQ(dialog.box.right, parsed.box.right) << dialog.resource;
        EXPECT_EQ(dialog.box.bottom, parsed.box.bottom) << dialog.resource;
        EXPECT_EQ(8, parsed.fontSize) << dialog.resource;
        EXPECT_EQ("MS Sans Serif", parsed.font) << dialog.resource;
        ASSERT_EQ(dialog.count, parsed.items.size()) << dialog.resource;
        for (size_t i = 0; i < dialog.count; ++i)
        {
            const ControlRow& row = dialog.controls[i];
            const TemplateItem& item = parsed.items[i];
            std::string name = RowName(dialog, i, row);
            EXPECT_EQ(row.id, item.id) << name;
            EXPECT_STRCASEEQ(row.className, item.className.c_str()) << name;
            EXPECT_EQ(row.style, item.style) << name << std::hex << " style " << item.style;
            EXPECT_EQ(row.text, item.text) << name;
            EXPECT_EQ(row.box.left, item.box.left) << name;
            EXPECT_EQ(row.box.top, item.box.top) << name;
            EXPECT_EQ(row.box.right, item.box.right) << name << " width";
            EXPECT_EQ(row.box.bottom, item.box.bottom) << name << " height";
        }
    }
}

// ---- The windows created from it --------------------------------------------

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Where the dialog manager puts a box: its corner and its size are each
// converted from dialog units, so the far edge may differ by a pixel from a
// conversion of the far edge itself.
RECT ToPixels(HWND dialog, const RECT& box)
{
    RECT corner = {box.left, box.top, box.left, box.top};
    RECT size = {box.right, box.bottom, box.right, box.bottom};
    MapDialogRect(dialog, &corner);
    MapDialogRect(dialog, &size);
    RECT rect = {corner.left, corner.top, corner.left + size.left, corner.top + size.top};
    return rect;
}

RECT RectInDialog(HWND dialog, HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Style bits the dialog manager keeps as the template gives them.
DWORD KeptStyle(DWORD style)
{
    return style & (0xFFFF | WS_TABSTOP | WS_VISIBLE | WS_CHILD);
}

TEST(DialogTemplates, CreateTheirControlsAsTabled)
{
    InitSettingsControls();
    for (const DialogRow& row : DIALOGS)
    {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(row.resource),
                                         NULL, PlainDialogProc, 0);
        ASSERT_TRUE(dialog != NULL) << row.resource << " could not be created";
        ShowWindow(dialog, SW_SHOWNA);
        char title[128] = {};
        GetWindowTextA(dialog, title, sizeof(title));
        EXPECT_STREQ(row.title, title);
        RECT client = {};
        GetClientRect(dialog, &client);
        RECT expectedClient = ToPixels(dialog, row.box);
        EXPECT_EQ(expectedClient.right, client.right) << row.resource;
        EXPECT_EQ(expectedClient.bottom, client.bottom) << row.resource;

        HWND child = GetWindow(dialog, GW_CHILD);
        RECT editBox = {};
        for (size_t i = 0; i < row.count; ++i, child = GetWindow(child, GW_HWNDNEXT))
        {
            const ControlRow& control = row.controls[i];
            std::string name = RowName(row, i, control);
            ASSERT_TRUE(child != NULL) << name << " is missing";
            EXPECT_EQ(control.id & 0xFFFF, GetDlgCtrlID(child) & 0xFFFF) << name;
            char className[64] = {};
            GetClassNameA(child, className, sizeof(className));
            EXPECT_STRCASEEQ(control.className, className) << name;
            DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
            EXPECT_EQ(KeptStyle(control.style), KeptStyle(style))
                << name << std::hex << " style " << style;
            EXPECT_EQ((control.style & WS_VISIBLE) != 0, IsWindowVisible(child) != FALSE) << name;
            if (control.text[0] != '#' && control.id != 1035)
            {
                char text[256] = {};
                GetWindowTextA(child, text, sizeof(text));
                EXPECT_STREQ(control.text, text) << name;
            }

            RECT expected = ToPixels(dialog, control.box);
            RECT actual = RectInDialog(dialog, child);
            if (control.id == 1035)
            {
                // The spin takes the right end of its buddy's place.
                editBox = expected;
                EXPECT_EQ(expected.left, actual.left) << name;
                EXPECT_EQ(expected.top, actual.top) << name;
                EXPECT_EQ(expected.bottom, actual.bottom) << name;
            }
            else if (control.id == 1034)
            {
                EXPECT_NEAR(editBox.right, actual.right, 3)
                    << name << " sits at the box's right edge";
                EXPECT_NEAR(editBox.top, actual.top, 2) << name;
                EXPECT_NEAR(editBox.bottom, actual.bottom, 2) << name;
                EXPECT_EQ(GetDlgItem(dialog, 1035),
                          reinterpret_cast<HWND>(SendMessageA(child, UDM_GETBUDDY, 0, 0)))
                    << name;
            }
            else if (strcmp(control.className, "Static") == 0 &&
                     (control.style & SS_TYPEMASK) == SS_ICON)
            {
                // An icon static sizes itself to its icon; its place is the table's.
                EXPECT_EQ(expected.left, actual.left) << name;
                EXPECT_EQ(expected.top, actual.top) << name;
                EXPECT_TRUE(SendMessageA(child, STM_GETICON, 0, 0) != 0) << name << " has no icon";
            }
            else if (strcmp(control.className, "Static") == 0 &&
                     (control.style & SS_TYPEMASK) == SS_ETCHEDVERT)
            {
                // An etched line keeps its place; the system sizes it to its two edges.
                EXPECT_EQ(expected.left, actual.left) << name;
                EXPECT_EQ(expected.top, actual.top) << name;
                EXPECT_NEAR(expected.bottom, actual.bottom, 2) << name;
            }
            else
            {
                EXPECT_EQ(expected.left, actual.left) << name;
                EXPECT_EQ(expected.top, actual.top) << name;
                EXPECT_EQ(expected.right, actual.right) << name;
                EXPECT_EQ(expected.bottom, actual.bottom) << name;
            }
        }
        EXPECT_TRUE(child == NULL) << row.resource << " has more controls than its table";
        DestroyWindow(dialog);
    }
}

} // namespace
