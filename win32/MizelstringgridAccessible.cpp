#include "MizelstringgridAccessible.h"

#include "Cp932.h"
#include "Mizelstringgrid.h"
#include "Texts.h"
#include "Unicode.h"

#include <string>

namespace {

constexpr long long Self = -1;
constexpr long long NoChild = -2;

BSTR allocString(const std::u16string &text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.data()), UINT(text.size()));
}

void setChildId(VARIANT *variant, long id)
{
    variant->vt = VT_I4;
    variant->lVal = id;
}

} // namespace

TMizelStringGridAccessible::TMizelStringGridAccessible(TMizelStringGrid *grid)
    : FGrid(grid)
{
}

void TMizelStringGridAccessible::disconnect()
{
    FGrid = nullptr;
    Release();
}

HRESULT TMizelStringGridAccessible::QueryInterface(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TMizelStringGridAccessible::AddRef()
{
    return ULONG(InterlockedIncrement(&FReferences));
}

ULONG TMizelStringGridAccessible::Release()
{
    const LONG references = InterlockedDecrement(&FReferences);
    if (references == 0)
        delete this;
    return ULONG(references);
}

HRESULT TMizelStringGridAccessible::GetTypeInfoCount(UINT *count)
{
    *count = 0;
    return S_OK;
}

HRESULT TMizelStringGridAccessible::GetTypeInfo(UINT, LCID, ITypeInfo **)
{
    return E_NOTIMPL;
}

HRESULT TMizelStringGridAccessible::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *)
{
    return E_NOTIMPL;
}

HRESULT TMizelStringGridAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *)
{
    return E_NOTIMPL;
}

long long TMizelStringGridAccessible::rowOf(const VARIANT &child) const
{
    if (child.vt != VT_I4)
        return NoChild;
    if (child.lVal == CHILDID_SELF)
        return Self;
    const mizel::GridRows rows = FGrid->rows();
    if (child.lVal < 1 || child.lVal > rows.inView())
        return NoChild;
    return rows.rowInView(child.lVal - 1);
}

long TMizelStringGridAccessible::childIdOf(long long row) const
{
    return long(FGrid->rows().indexInView(row) + 1);
}

HRESULT TMizelStringGridAccessible::get_accParent(IDispatch **parent)
{
    if (!FGrid)
        return E_FAIL;
    return AccessibleObjectFromWindow(FGrid->handle(), DWORD(OBJID_WINDOW), __uuidof(IDispatch),
                                      reinterpret_cast<void **>(parent));
}

HRESULT TMizelStringGridAccessible::get_accChildCount(long *count)
{
    if (!FGrid)
        return E_FAIL;
    *count = long(FGrid->rows().inView());
    return S_OK;
}

HRESULT TMizelStringGridAccessible::get_accChild(VARIANT child, IDispatch **dispatch)
{
    *dispatch = nullptr;
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(child);
    if (row == NoChild)
        return E_INVALIDARG;
    // Cells are simple elements: the grid answers for them.
    return S_FALSE;
}

HRESULT TMizelStringGridAccessible::get_accName(VARIANT child, BSTR *name)
{
    *name = nullptr;
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(child);
    if (row == NoChild)
        return E_INVALIDARG;
    const std::u16string text = row == Self ? mizel::toUtf16(mizel::texts::gridHeader)
                                            : mizel::fromCp932(FGrid->cellText(row));
    *name = allocString(text);
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT TMizelStringGridAccessible::get_accValue(VARIANT, BSTR *value)
{
    *value = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TMizelStringGridAccessible::get_accDescription(VARIANT, BSTR *description)
{
    *description = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TMizelStringGridAccessible::get_accRole(VARIANT child, VARIANT *role)
{
    VariantInit(role);
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(child);
    if (row == NoChild)
        return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = row == Self ? ROLE_SYSTEM_TABLE
        : row < FGrid->rows().fixed ? ROLE_SYSTEM_COLUMNHEADER
                                    : ROLE_SYSTEM_CELL;
    return S_OK;
}

HRESULT TMizelStringGridAccessible::get_accState(VARIANT child, VARIANT *state)
{
    VariantInit(state);
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(child);
    if (row == NoChild)
        return E_INVALIDARG;
    const bool focused = FGrid->hasFocus();
    long flags = STATE_SYSTEM_FOCUSABLE;
    if (row == Self) {
        if (focused)
            flags |= STATE_SYSTEM_FOCUSED;
    } else {
        flags = STATE_SYSTEM_READONLY;
        if (row >= FGrid->rows().fixed)
            flags |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        if (FGrid->isRowSelected(row))
            flags |= STATE_SYSTEM_SELECTED;
        if (focused && row == FGrid->currentRow())
            flags |= STATE_SYSTEM_FOCUSED;
    }
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
}

HRESULT TMizelStringGridAccessible::get_accHelp(VARIANT, BSTR *help)
{
    *help = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TMizelStringGridAccessible::get_accHelpTopic(BSTR *file, VARIANT, long *topic)
{
    *file = nullptr;
    *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TMizelStringGridAccessible::get_accKeyboardShortcut(VARIANT, BSTR *shortcut)
{
    *shortcut = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TMizelStringGridAccessible::get_accFocus(VARIANT *child)
{
    VariantInit(child);
    if (!FGrid)
        return E_FAIL;
    if (!FGrid->hasFocus())
        return S_FALSE;
    const long id = childIdOf(FGrid->currentRow());
    setChildId(child, id > 0 ? id : CHILDID_SELF);
    return S_OK;
}

// A range may hold two billion rows: the focused cell stands for it.
HRESULT TMizelStringGridAccessible::get_accSelection(VARIANT *children)
{
    VariantInit(children);
    if (!FGrid)
        return E_FAIL;
    const long id = childIdOf(FGrid->currentRow());
    if (id <= 0 || !FGrid->isRowSelected(FGrid->currentRow()))
        return S_FALSE;
    setChildId(children, id);
    return S_OK;
}

HRESULT TMizelStringGridAccessible::get_accDefaultAction(VARIANT, BSTR *action)
{
    *action = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

// A client may move the focus, as the keyboard does; the selection follows it.
HRESULT TMizelStringGridAccessible::accSelect(long flags, VARIANT child)
{
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(child);
    if (row == NoChild)
        return E_INVALIDARG;
    if (flags != SELFLAG_TAKEFOCUS && flags != (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION))
        return DISP_E_MEMBERNOTFOUND;
    FGrid->takeFocus(row == Self ? FGrid->currentRow() : row);
    return S_OK;
}

HRESULT TMizelStringGridAccessible::accLocation(long *left, long *top, long *width, long *height, VARIANT child)
{
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(child);
    if (row == NoChild)
        return E_INVALIDARG;
    RECT rect;
    if (row == Self) {
        GetClientRect(FGrid->handle(), &rect);
        MapWindowPoints(FGrid->handle(), HWND_DESKTOP, reinterpret_cast<POINT *>(&rect), 2);
    } else {
        rect = FGrid->cellScreenRect(row);
    }
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

HRESULT TMizelStringGridAccessible::accNavigate(long direction, VARIANT start, VARIANT *end)
{
    VariantInit(end);
    if (!FGrid)
        return E_FAIL;
    const long long row = rowOf(start);
    if (row == NoChild)
        return E_INVALIDARG;
    const long count = long(FGrid->rows().inView());
    long id = 0;
    if (row == Self) {
        if (direction == NAVDIR_FIRSTCHILD)
            id = 1;
        else if (direction == NAVDIR_LASTCHILD)
            id = count;
        else
            return DISP_E_MEMBERNOTFOUND; // the window's object knows the siblings
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
        id = start.lVal + 1;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
        id = start.lVal - 1;
    }
    if (id < 1 || id > count)
        return S_FALSE;
    setChildId(end, id);
    return S_OK;
}

HRESULT TMizelStringGridAccessible::accHitTest(long x, long y, VARIANT *child)
{
    VariantInit(child);
    if (!FGrid)
        return E_FAIL;
    RECT client;
    GetClientRect(FGrid->handle(), &client);
    MapWindowPoints(FGrid->handle(), HWND_DESKTOP, reinterpret_cast<POINT *>(&client), 2);
    const POINT point{x, y};
    if (!PtInRect(&client, point))
        return S_FALSE;
    const long long row = FGrid->rowAtScreen(point);
    const long id = row >= 0 ? childIdOf(row) : 0;
    setChildId(child, id > 0 ? id : CHILDID_SELF);
    return S_OK;
}

HRESULT TMizelStringGridAccessible::accDoDefaultAction(VARIANT)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TMizelStringGridAccessible::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

HRESULT TMizelStringGridAccessible::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}
