// The text behind a PDF's glyphs: presentation forms read as their letters,
// in the ToUnicode tables the system renderer writes.
#include "tools/renderer/presentation_forms.h"
#include "tools/renderer/text_layer.h"
#include "tools/renderer/to_unicode_cmap.h"

#include <qpdf/Buffer.hh>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

namespace {

struct FormCase {
    char16_t form;
    std::u16string letters;  // empty: not a form
    friend void PrintTo(const FormCase& c, std::ostream* out) { *out << "U+" << std::hex << int(c.form); }
};

class BaseLetters : public ::testing::TestWithParam<FormCase> {};

TEST_P(BaseLetters, OfEachForm)
{
    const auto letters = BaseLettersOf(GetParam().form);
    if (GetParam().letters.empty()) {
        EXPECT_FALSE(letters.has_value());
    } else {
        ASSERT_TRUE(letters.has_value());
        EXPECT_EQ(std::u16string(*letters), GetParam().letters);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, BaseLetters,
                         ::testing::Values(FormCase{0xFEE0, u"\u0644"},               // lam medial
                                           FormCase{0xFEDD, u"\u0644"},               // lam isolated, a range's first
                                           FormCase{0xFEFB, u"\u0644\u0627"},         // lam-alef
                                           FormCase{0xFEF7, u"\u0644\u0623"},         // lam-alef with hamza, composed
                                           FormCase{0xFBFD, u"\u06CC"},               // Farsi yeh final
                                           FormCase{0xFB90, u"\u06A9"},               // keheh initial
                                           FormCase{0xFE70, u"\u064B"},               // a mark alone, no space
                                           FormCase{0xFB01, u"fi"}, FormCase{0xFB04, u"ffl"},
                                           FormCase{0xFB00, u"ff"},                   // the table's first
                                           FormCase{0xFEFC, u"\u0644\u0627"},         // the table's last
                                           FormCase{0xFB07, u""},                     // unassigned, between ranges
                                           FormCase{0xFEFF, u""}, FormCase{0x0644, u""},
                                           FormCase{0x0066, u""}, FormCase{0xFFFF, u""}),
                         [](const auto& info) {
                             char name[8];
                             std::snprintf(name, sizeof name, "U%04X", unsigned(info.param.form));
                             return std::string(name);
                         });

const std::string kHead =
    "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
    "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
    "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
const std::string kTail = "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

struct CMapCase {
    const char* name;
    std::string mappings;  // between the code space and endcmap
    std::string expected;  // the same, rewritten; empty when nothing changes
    std::size_t changed;
    friend void PrintTo(const CMapCase& c, std::ostream* out) { *out << c.name; }
};

class ToUnicodeTables : public ::testing::TestWithParam<CMapCase> {};

TEST_P(ToUnicodeTables, GiveLettersAndKeepTheRest)
{
    const ToUnicodeRewrite rewrite = RestoreBaseLetters(kHead + GetParam().mappings + kTail);
    EXPECT_EQ(rewrite.changed, GetParam().changed);
    EXPECT_EQ(rewrite.cmap, GetParam().expected.empty() ? std::string() : kHead + GetParam().expected + kTail);
}

INSTANTIATE_TEST_SUITE_P(
    Mappings, ToUnicodeTables,
    ::testing::Values(
        // As the system renderer writes them: one array of a font's glyphs.
        CMapCase{"RendererArray",
                 "2 beginbfrange\n<0000> <0000> <0000>\n<0001> <0005> [<0627> <FEB3> <FEFB> <0631> <FBFD> ]\nendbfrange\n",
                 // lam-alef in drawing order: a reader turns the run around
                 "2 beginbfrange\n<0000> <0000> <0000>\n<0001> <0005> [<0627> <0633> <06270644> <0631> <06CC> ]\nendbfrange\n",
                 3},
        CMapCase{"Characters",
                 "3 beginbfchar\n<0003> <FB01>\n<0004> <0066>\n<0005> <fee0>\nendbfchar\n",
                 "3 beginbfchar\n<0003> <00660069>\n<0004> <0066>\n<0005> <0644>\nendbfchar\n", 2},
        // Code 0x12 maps to U+FB01, 0x13 to U+FB02: the range becomes an array.
        CMapCase{"IncrementingRange", "1 beginbfrange\n<0010> <0013> <FAFF>\nendbfrange\n",
                 "1 beginbfrange\n<0010> <0013> [<FAFF> <00660066> <00660069> <0066006C>]\nendbfrange\n", 3},
        CMapCase{"RangeWithoutForms", "1 beginbfrange\n<0020> <007E> <0020>\nendbfrange\n", "", 0},
        // A form after another letter in one destination, and a surrogate pair kept.
        CMapCase{"SeveralUnits", "1 beginbfchar\n<0007> <0041FB03D835DC00>\nendbfchar\n",
                 "1 beginbfchar\n<0007> <0041006600660069D835DC00>\nendbfchar\n", 1},
        CMapCase{"OddDigitsLeftAlone", "1 beginbfchar\n<0001> <FEE>\nendbfchar\n", "", 0},
        CMapCase{"HugeRangeLeftAlone", "1 beginbfrange\n<0000> <FFFF> <0000>\nendbfrange\n", "", 0},
        // Sections of both kinds, the code space untouched although it
        // looks like a form.
        CMapCase{"BothKinds",
                 "1 beginbfchar\n<FEE0> <FEE0>\nendbfchar\n1 beginbfrange\n<0001> <0001> [<FB02>]\nendbfrange\n",
                 "1 beginbfchar\n<FEE0> <0644>\nendbfchar\n1 beginbfrange\n<0001> <0001> [<0066006C>]\nendbfrange\n",
                 2}),
    [](const auto& info) { return std::string(info.param.name); });

// The stream's bytes, decoded or as they are stored.
std::string StreamText(QPDFObjectHandle stream, bool decoded)
{
    const auto data = decoded ? stream.getStreamData() : stream.getRawStreamData();
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

TEST(FontsTextLayer, EveryReadableTableIsRewrittenOnceAndABrokenOneKept)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle table =
        QPDFObjectHandle::newStream(&pdf, kHead + "1 beginbfchar\n<0001> <FEE0>\nendbfchar\n" + kTail);
    QPDFObjectHandle broken = QPDFObjectHandle::newStream(&pdf, "not deflated");
    broken.getDict().replaceKey("/Filter", QPDFObjectHandle::newName("/FlateDecode"));
    for (QPDFObjectHandle toUnicode : {table, table, broken}) {  // two fonts share the first table
        QPDFObjectHandle font = QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /BaseFont /F >>");
        font.replaceKey("/ToUnicode", toUnicode);
        pdf.makeIndirectObject(font);
    }
    EXPECT_EQ(RestoreBaseLettersInFonts(pdf), 1u);
    EXPECT_EQ(StreamText(table, true), kHead + "1 beginbfchar\n<0001> <0644>\nendbfchar\n" + kTail);
    EXPECT_EQ(StreamText(broken, false), "not deflated");
}

}  // namespace
