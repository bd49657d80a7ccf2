#include "Mizelstringgrid.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

VARIANT childId(long id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::wstring nameOf(IAccessible *table, long id)
{
    BSTR name = nullptr;
    if (table->get_accName(childId(id), &name) != S_OK)
        return L"(no name)";
    std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

long roleOf(IAccessible *table, long id)
{
    VARIANT role;
    return table->get_accRole(childId(id), &role) == S_OK && role.vt == VT_I4 ? role.lVal : -1;
}

} // namespace

// A screen reader asks the grid's window for its MSAA object, as from another
// program: a table named by its header, with the rows in view as its children,
// and the focused cell wherever in the list it is.
TEST(MizelstringgridAccessible, ScreenReadersGetTheTableItsCellsInViewAndTheFocusedCell)
{
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    TMizelStringGrid::registerClass(instance);
    const HWND frame = CreateWindowExW(0, L"STATIC", L"grid", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 400,
                                       nullptr, nullptr, instance, nullptr);
    const HWND handle = CreateWindowExW(0, TMizelStringGrid::ClassName, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0,
                                        285, 320, frame, nullptr, instance, nullptr);
    ASSERT_TRUE(handle);
    TMizelStringGrid &grid = *TMizelStringGrid::fromHandle(handle);
    mizel::ValueList list(1000000);
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i] = static_cast<std::int32_t>(i * 2654435761u) - 7;
    grid.loadVector(&list);

    IAccessible *table = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(handle, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                         reinterpret_cast<void **>(&table)),
              S_OK);
    EXPECT_EQ(roleOf(table, CHILDID_SELF), ROLE_SYSTEM_TABLE);
    EXPECT_EQ(nameOf(table, CHILDID_SELF), L"乱数");
    long children = 0;
    ASSERT_EQ(table->get_accChildCount(&children), S_OK);
    ASSERT_EQ(children, grid.rows().inView());
    ASSERT_GT(children, 2);
    EXPECT_EQ(roleOf(table, 1), ROLE_SYSTEM_COLUMNHEADER);
    EXPECT_EQ(nameOf(table, 1), L"乱数");
    for (long id = 2; id <= children; ++id) {
        EXPECT_EQ(roleOf(table, id), ROLE_SYSTEM_CELL) << id;
        EXPECT_EQ(nameOf(table, id), std::to_wstring(list[std::size_t(id - 2)])) << id;
    }

    SetForegroundWindow(frame);
    grid.takeFocus(std::int64_t(list.size()));
    VARIANT focused;
    ASSERT_EQ(table->get_accFocus(&focused), S_OK);
    ASSERT_EQ(focused.vt, VT_I4);
    EXPECT_EQ(nameOf(table, focused.lVal), std::to_wstring(list.back()));

    table->Release();
    DestroyWindow(frame);
    CoUninitialize();
}
