#include "DialogTemplate.h"
#include "Resource.h"

#include <gtest/gtest.h>

namespace {

bool operator==(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

// The window takes its geometry from the compiled dialog resource as 96-DPI
// pixels: a resource compiler writing another template form, or a walk that
// loses its alignment, would misplace every control after the first.
TEST(DialogTemplate, ReadsTheFormsPixelsAndFontBackFromTheResource)
{
    const mizel::DialogTemplate form = mizel::readDialogTemplate(GetModuleHandleW(nullptr), IDD_MF);
    EXPECT_EQ(form.clientSize.cx, 285);
    EXPECT_EQ(form.clientSize.cy, 484);
    EXPECT_EQ(form.fontFace, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(form.fontPointSize, 9);
    EXPECT_EQ(form.fontCharSet, SHIFTJIS_CHARSET);

    const std::pair<int, RECT> expected[] = {
        {IDC_LABEL1, {16, 8, 112, 24}},          {IDC_SAIDAIEDIT, {120, 8, 273, 28}},
        {IDC_LABEL3, {16, 32, 112, 48}},         {IDC_SAISYOUEDIT, {120, 32, 273, 52}},
        {IDC_LABEL2, {16, 56, 112, 72}},         {IDC_HASSEIEDIT, {120, 56, 273, 76}},
        {IDC_ONAJICHK, {144, 80, 273, 97}},      {IDC_SAIDAIBUTTON, {8, 80, 81, 105}},
        {IDC_EXEBUTTON, {8, 112, 81, 137}},      {IDC_COPYBUTTON, {88, 112, 161, 137}},
        {IDC_SAVEBUTTON, {168, 112, 241, 137}},  {IDC_MIZELSTRINGGRID1, {0, 145, 285, 465}},
        {IDC_STATUSBAR, {0, 465, 285, 484}},
    };
    EXPECT_EQ(form.controls.size(), std::size(expected));
    for (const auto &[id, rect] : expected) {
        ASSERT_TRUE(form.controls.count(id)) << id;
        EXPECT_TRUE(form.controls.at(id) == rect) << id;
    }
}
