#include "base/paths.h"

#include <gtest/gtest.h>

TEST(PathParts, FolderPartSkipsTrailingSeparatorAndRoot)
{
    EXPECT_EQ(GetFolderPart(L"/a/b/"), L"/a");
    EXPECT_EQ(GetFolderPart(L"/a/b.mobi"), L"/a");
    EXPECT_EQ(GetFolderPart(L"/a.mobi"), L"");  // only separator is the first character
    EXPECT_EQ(GetFolderPart(L"a.mobi"), L"");
    EXPECT_EQ(GetFolderPart(L""), L"");
}

TEST(PathParts, FileNamePart)
{
    EXPECT_EQ(GetFileNamePart(L"/books/My Book.mobi"), L"My Book.mobi");
    EXPECT_EQ(GetFileNamePart(L"/a/b/"), L"");
    EXPECT_EQ(GetFileNamePart(L"/a.mobi"), L"");
    EXPECT_EQ(GetFileNamePart(L"name.mobi"), L"");
}

#ifndef _WIN32
TEST(PathParts, BackslashIsAnOrdinaryCharacterHere)
{
    EXPECT_EQ(GetFileNamePart(L"/in/a\\b.mobi"), L"a\\b.mobi");
    EXPECT_EQ(GetFolderPart(L"/in/a\\b.mobi"), L"/in");
}
#endif

TEST(ChangeExtensionTest, ReplacesAddsOrKeeps)
{
    std::wstring p = L"/out/book.mobi";
    ChangeExtension(p, L"pdf");
    EXPECT_EQ(p, L"/out/book.pdf");

    p = L"/out/book";
    ChangeExtension(p, L"pdf");
    EXPECT_EQ(p, L"/out/book.pdf");

    p = L"/out/book.PDF";  // same extension ignoring case: kept as written
    ChangeExtension(p, L"pdf");
    EXPECT_EQ(p, L"/out/book.PDF");

    p = L"/in.d/book";  // the dot lies in a folder name
    ChangeExtension(p, L"pdf");
    EXPECT_EQ(p, L"/in.d/book.pdf");

    p = L"/out/archive.tar.mobi";
    ChangeExtension(p, L"pdf");
    EXPECT_EQ(p, L"/out/archive.tar.pdf");

    p = L"/out/book.mobi";
    ChangeExtension(p, L"");
    EXPECT_EQ(p, L"/out/book");
}

TEST(Utf8, StrictConversionRefusesMalformedInput)
{
    EXPECT_EQ(Utf8ToWide("Gr\xC3\xBC\xC3\x9F" "e"), std::wstring(L"Gr\u00FC\u00DFe"));
    EXPECT_EQ(WideToUtf8(L"\u00C9t\u00E9 \U0001F600"), std::string("\xC3\x89t\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(Utf8ToWide("\xC3").has_value());          // truncated
    EXPECT_FALSE(Utf8ToWide("\xC0\xAF").has_value());      // overlong
    EXPECT_FALSE(Utf8ToWide("\xED\xA0\x80").has_value());  // surrogate
    EXPECT_FALSE(Utf8ToWide("\xFF").has_value());
}

#ifndef _WIN32
TEST(NativePaths, NonUtf8BytesSurviveTheRoundTrip)
{
    const std::filesystem::path native("/tmp/caf\xE9 \xC3\xA9.mobi");  // Latin-1 byte, then UTF-8
    const std::wstring wide = FromNativePath(native);
    EXPECT_NE(wide.find(L"\u00E9.mobi"), std::wstring::npos);
    EXPECT_EQ(ToNativePath(wide), native);
}
#endif
