#include "jws/imagetext.h"

#include <gtest/gtest.h>

#include <string>

namespace pravelot {
namespace {

TEST(ImageTextTest, FieldsFollowTheFileNameUpToNine)
{
    struct Case {
        const char *name;
        std::u16string s;
        ImageTextFields expected;
    };
    auto fields = [](std::u16string file, double w, double h, bool simple) {
        ImageTextFields f;
        f.FileName = std::move(file);
        f.Width = w;
        f.Height = h;
        f.Simple = simple;
        return f;
    };
    ImageTextFields cropped = fields(u"c:\\a.bmp", 100, 50, false);
    cropped.CropLeft = 0.1;
    cropped.CropBottom = 0.2;
    cropped.CropWidth = 0.5;
    cropped.Angle = 30;
    ImageTextFields extra = cropped;
    extra.Extra1 = 3;
    extra.Extra2 = 0;
    extra.Extra3 = 0;
    ImageTextFields all = cropped;
    all.Extra1 = 3;
    all.Extra2 = 4;
    all.Extra3 = 5;
    ImageTextFields trailingComma = fields(u"p.bmp", 100, 50, false);
    trailingComma.CropLeft = 0;

    const Case cases[] = {
        {"width only: height follows it", u"^@BMpic.bmp,100", fields(u"pic.bmp", 100, 100, true)},
        {"width and height", u"^@BMpic.bmp,100,50", fields(u"pic.bmp", 100, 50, true)},
        {"cropped form", u"^@BMc:\\a.bmp,100,50,0.1,0.2,0.5,30", cropped},
        {"seventh field fills the eighth and ninth with 0",
         u"^@BMc:\\a.bmp,100,50,0.1,0.2,0.5,30,3", extra},
        {"after the ninth field the rest is dropped",
         u"^@BMc:\\a.bmp,100,50,0.1,0.2,0.5,30,3,4,5,6,7", all},
        {"a comma after the height makes it cropped", u"^@BMp.bmp,100,50,", trailingComma},
        {"no comma: defaults, empty name", u"^@BMpic.bmp", ImageTextFields{}},
        {"marker not at the start", u" ^@BMpic.bmp,100,50", ImageTextFields{}},
        {"empty name", u"^@BM,7", fields(u"", 7, 7, true)},
        {"bound picture keeps its prefix", u"^@BM%temp%x.jpg,1,2",
         fields(u"%temp%x.jpg", 1, 2, true)},
        {"unreadable numbers read as 0", u"^@BMp.bmp,abc,12 ", fields(u"p.bmp", 0, 0, true)},
        {"leading space accepted", u"^@BMp.bmp, 12", fields(u"p.bmp", 12, 12, true)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ImageTextFields f = ParseImageText(c.s);
        const ImageTextFields &e = c.expected;
        EXPECT_EQ(f.FileName, e.FileName);
        EXPECT_EQ(f.Width, e.Width);
        EXPECT_EQ(f.Height, e.Height);
        EXPECT_EQ(f.CropLeft, e.CropLeft);
        EXPECT_EQ(f.CropBottom, e.CropBottom);
        EXPECT_EQ(f.CropWidth, e.CropWidth);
        EXPECT_EQ(f.Angle, e.Angle);
        EXPECT_EQ(f.Extra1, e.Extra1);
        EXPECT_EQ(f.Extra2, e.Extra2);
        EXPECT_EQ(f.Extra3, e.Extra3);
        EXPECT_EQ(f.Simple, e.Simple);
    }
}

} // namespace
} // namespace pravelot
