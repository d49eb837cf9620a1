// The rewriting of GIF references in the intermediate HTML page, and the
// GIF to JPEG conversion behind it.
#include "gif_to_jpeg.h"
#include "html_images.h"
#include "base/paths.h"

#include "gif_writer.h"
#include "jpeg_reader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;
using testgif::Colour;
using testjpeg::Rgb;

namespace {

// JPEG is lossy; uniform 16 x 16 areas come back within a few levels.
constexpr int kTolerance = 12;

constexpr Colour kRed{220, 30, 30};
constexpr Colour kGreen{30, 200, 40};
constexpr Colour kBlue{30, 40, 210};
constexpr Colour kYellow{240, 220, 40};
constexpr Colour kPurple{140, 40, 160};

fs::path Utf8Path(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

Rgb ToRgb(Colour c)
{
    return {c.red, c.green, c.blue};
}

::testing::AssertionResult ColourAt(const testjpeg::Picture& picture, int x, int y, Colour expected)
{
    const Rgb actual = picture.At(x, y);
    if (testjpeg::Near(actual, ToRgb(expected), kTolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << actual.red << ", "
                                         << actual.green << ", " << actual.blue << "), expected (" << int(expected.red)
                                         << ", " << int(expected.green) << ", " << int(expected.blue) << ")";
}

// A fresh folder (with a non-ASCII name) removed with everything in it.
// A temporary folder whose name holds a non-ASCII letter, so every path the
// rewriting builds crosses one.
class TempFolder : public TempDir {
public:
    TempFolder() : TempDir("corvale-bilder-\xC3\xA4-") {}
    const fs::path& Path() const { return path(); }
};

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::optional<std::string> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry below `folder`, as paths relative to it.
std::set<std::string> ListTree(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.insert(fs::relative(entry.path(), folder).generic_string());
    return names;
}

struct ScanResult {
    std::string page;
    std::vector<std::string> references;
};

ScanResult Scan(std::string page)
{
    std::vector<std::string> references;
    CollectGifSources(page, references);
    return {page, references};
}

}  // namespace

// --- The renaming rule -------------------------------------------------------

TEST(PrefixFileName, PrefixesTheFileNameAndKeepsTheExtension)
{
    EXPECT_EQ(PrefixFileName("images/pic.GIF"), "images/__pic.GIF");
    EXPECT_EQ(PrefixFileName("pic.gif"), "__pic.gif");
    EXPECT_EQ(PrefixFileName("a/b/c/pic.gif"), "a/b/c/__pic.gif");
}

TEST(PrefixFileName, BackslashSeparatesAndTheJoinIsASlash)
{
    EXPECT_EQ(PrefixFileName("img\\a.gif"), "img/__a.gif");
    EXPECT_EQ(PrefixFileName("x\\y/z\\a.gif"), "x\\y/z/__a.gif");
}

TEST(PrefixFileName, TrailingSeparatorIsNotTheSplit)
{
    EXPECT_EQ(PrefixFileName("a/b/"), "a/__b/");
    EXPECT_EQ(PrefixFileName("b/"), "__b/");
}

TEST(PrefixFileName, LeadingSeparatorIsKept)
{
    EXPECT_EQ(PrefixFileName("/pic.gif"), "/__pic.gif");
    EXPECT_EQ(PrefixFileName("\\pic.gif"), "/__pic.gif");
}

TEST(PrefixFileName, NonAsciiNamesStayIntact)
{
    EXPECT_EQ(PrefixFileName("bilder/gr\xC3\xBC\xC3\x9F" "e.gif"), "bilder/__gr\xC3\xBC\xC3\x9F" "e.gif");
    EXPECT_EQ(PrefixFileName("\xE5\x9B\xBE/\xF0\x9F\x98\x80.gif"), "\xE5\x9B\xBE/__\xF0\x9F\x98\x80.gif");
}

TEST(PrefixFileName, InvalidUtf8ComesBackUnchanged)
{
    EXPECT_EQ(PrefixFileName("pics/\xFF.gif"), "pics/\xFF.gif");
    EXPECT_EQ(PrefixFileName("pics/\xC3.gif"), "pics/\xC3.gif");
}

// --- The scan of the page text -----------------------------------------------

TEST(CollectGifSources, PageWithoutSrcIsUnchanged)
{
    const std::string page = "<html><body><p>gif.gif .GIF</p><img alt=\"a.gif\"></body></html>\r\n";
    const auto result = Scan(page);
    EXPECT_EQ(result.page, page);
    EXPECT_TRUE(result.references.empty());
}

TEST(CollectGifSources, RewritesAGifReference)
{
    const auto result = Scan("<img src=\"images/pic.gif\" alt=\"x\">");
    EXPECT_EQ(result.page, "<img src=\"images/__pic.jpg\" alt=\"x\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"images/pic.gif"});
}

TEST(CollectGifSources, BackslashReferenceIsJoinedWithASlash)
{
    const auto result = Scan("<img src=\"img\\a.gif\">");
    EXPECT_EQ(result.page, "<img src=\"img/__a.jpg\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"img\\a.gif"});
}

TEST(CollectGifSources, UpperCaseExtensionIsLowered)
{
    const auto result = Scan("<img src=\"pics/Cover.GIF\">");
    EXPECT_EQ(result.page, "<img src=\"pics/__Cover.jpg\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"pics/Cover.gif"});
}

TEST(CollectGifSources, MixedCaseExtensionIsUntouched)
{
    const std::string page = "<img src=\"pic.Gif\"><img src=\"pic.gIF\">";
    const auto result = Scan(page);
    EXPECT_EQ(result.page, page);
    EXPECT_TRUE(result.references.empty());
}

TEST(CollectGifSources, OnlyTheExactAttributeSpellingIsSeen)
{
    for (const std::string page : {"<img src='a.gif'>", "<img src = \"a.gif\">", "<img src= \"a.gif\">",
                                   "<img src =\"a.gif\">", "<img SRC=\"a.gif\">", "<img Src=\"a.gif\">"}) {
        SCOPED_TRACE(page);
        const auto result = Scan(page);
        EXPECT_EQ(result.page, page);
        EXPECT_TRUE(result.references.empty());
    }
}

TEST(CollectGifSources, EmptyAndNonGifValuesAreSkippedAndTheScanGoesOn)
{
    const auto result = Scan("<img src=\"\"><img src=\"a.png\"><img src=\"b.gif\">");
    EXPECT_EQ(result.page, "<img src=\"\"><img src=\"a.png\"><img src=\"__b.jpg\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"b.gif"});
}

TEST(CollectGifSources, AGifReferredToTwiceIsListedTwice)
{
    const auto result = Scan("<img src=\"x.gif\"><p>text</p><img src=\"x.GIF\">");
    EXPECT_EQ(result.page, "<img src=\"__x.jpg\"><p>text</p><img src=\"__x.jpg\">");
    EXPECT_EQ(result.references, (std::vector<std::string>{"x.gif", "x.gif"}));
}

TEST(CollectGifSources, AdjacentAttributesAreAllRewritten)
{
    const auto result = Scan("src=\"a.gif\"src=\"bb.gif\"src=\"c.gif\"");
    EXPECT_EQ(result.page, "src=\"__a.jpg\"src=\"__bb.jpg\"src=\"__c.jpg\"");
    EXPECT_EQ(result.references, (std::vector<std::string>{"a.gif", "bb.gif", "c.gif"}));
}

TEST(CollectGifSources, WebAddressIsRewrittenLikeAnyOther)
{
    const auto result = Scan("<img src=\"http://example.com/img/logo.gif\">");
    EXPECT_EQ(result.page, "<img src=\"http://example.com/img/__logo.jpg\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"http://example.com/img/logo.gif"});
}

TEST(CollectGifSources, EveryGifInTheValueBecomesJpg)
{
    const auto result = Scan("<img src=\"old.gif/pic.gif\">");
    EXPECT_EQ(result.page, "<img src=\"old.jpg/__pic.jpg\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"old.gif/pic.gif"});
}

TEST(CollectGifSources, UnterminatedAttributeEndsTheScan)
{
    const auto unterminated = Scan("<img src=\"a.gif\"> tail src=\"b.gif>");
    EXPECT_EQ(unterminated.page, "<img src=\"__a.jpg\"> tail src=\"b.gif>");
    EXPECT_EQ(unterminated.references, std::vector<std::string>{"a.gif"});
}

TEST(CollectGifSources, AValueRunsToTheNextDoubleQuote)
{
    const auto result = Scan("<img src=\"a.gif> src=\"c.gif");
    EXPECT_EQ(result.page, "<img src=\"__a.jpg> src=\"c.gif");
    EXPECT_EQ(result.references, std::vector<std::string>{"a.gif> src="});
}

TEST(CollectGifSources, InvalidUtf8ReferenceIsLeftAsItIs)
{
    const std::string bad = "<img src=\"pics/\xFF\xFE.GIF\">";
    const auto result = Scan(bad + "<img src=\"ok.gif\">");
    EXPECT_EQ(result.page, bad + "<img src=\"__ok.jpg\">");
    EXPECT_EQ(result.references, std::vector<std::string>{"ok.gif"});
}

TEST(CollectGifSources, BytesAroundTheReferencesAreKept)
{
    const std::string head("\xEF\xBB\xBF<p>\r\n\xC3\xA4\0\xFF\n", 13);
    const std::string page = head + "<img src=\"a.gif\">\r\n\r\nend\n";
    const auto result = Scan(page);
    EXPECT_EQ(result.page, head + "<img src=\"__a.jpg\">\r\n\r\nend\n");
}

// --- The page on disk --------------------------------------------------------

class RewriteHtmlImagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.Path().empty());
        folder_ = root_.Path() / "book";
        fs::create_directories(folder_);
    }

    // Writes the page, rewrites it and returns the new page's bytes.
    std::optional<std::string> Rewrite(const std::string& page, const std::string& name = "book.html")
    {
        const fs::path pagePath = folder_ / Utf8Path(name);
        WriteBytes(pagePath, page);
        const std::wstring result = RewriteHtmlImages(FromNativePath(pagePath));
        EXPECT_EQ(ToNativePath(result), folder_ / Utf8Path("new_" + name));
        return ReadBytes(ToNativePath(result));
    }

    void MakeGif(const fs::path& relative, Colour colour = kRed)
    {
        fs::create_directories((folder_ / relative).parent_path());
        ASSERT_TRUE(testgif::WriteGif(folder_ / relative, testgif::QuadrantGif(colour, colour, colour, colour)));
    }

    void ExpectJpegOf(const fs::path& relative, Colour colour)
    {
        const auto picture = testjpeg::ReadJpeg(folder_ / relative);
        ASSERT_TRUE(picture) << relative;
        EXPECT_TRUE(ColourAt(*picture, 8, 8, colour));
    }

    TempFolder root_;
    fs::path folder_;
};

TEST_F(RewriteHtmlImagesTest, ReturnsTheNewPathBesideThePage)
{
    const fs::path page = folder_ / "book.html";
    WriteBytes(page, "<p/>");
    EXPECT_EQ(RewriteHtmlImages(FromNativePath(page)), FromNativePath(folder_) + kPathSeparator + L"new_book.html");
}

TEST_F(RewriteHtmlImagesTest, PageWithoutImagesIsCopiedByteForByte)
{
    std::string page = "<html>\r\n<body>\n<p>a\rb</p>\r\n\r\n";
    page += std::string("\0\xFF\x80 end", 7);
    EXPECT_EQ(Rewrite(page), page);
    EXPECT_EQ(ListTree(folder_), (std::set<std::string>{"book.html", "new_book.html"}));
}

TEST_F(RewriteHtmlImagesTest, LineEndsAreKeptAsTheyAre)
{
    MakeGif("a.gif");
    const auto rewritten = Rewrite("<p>\r\n<img src=\"a.gif\">\n</p>\r\n");
    EXPECT_EQ(rewritten, "<p>\r\n<img src=\"__a.jpg\">\n</p>\r\n");
}

TEST_F(RewriteHtmlImagesTest, EmptyPageGivesAnEmptyNewPage)
{
    EXPECT_EQ(Rewrite(""), "");
}

TEST_F(RewriteHtmlImagesTest, ConvertsTheGifBesideThePage)
{
    MakeGif("pics/Cover.gif", kGreen);
    const auto gifBefore = ReadBytes(folder_ / "pics/Cover.gif");
    EXPECT_EQ(Rewrite("<img src=\"pics/Cover.GIF\">"), "<img src=\"pics/__Cover.jpg\">");
    ExpectJpegOf("pics/__Cover.jpg", kGreen);
    EXPECT_EQ(ReadBytes(folder_ / "pics/Cover.gif"), gifBefore);  // the source is left as it was
    EXPECT_EQ(ListTree(folder_),
              (std::set<std::string>{"book.html", "new_book.html", "pics", "pics/Cover.gif", "pics/__Cover.jpg"}));
}

TEST_F(RewriteHtmlImagesTest, FindsAGifWhoseNameDiffersOnlyInCase)
{
    MakeGif("Pics/Cover.GIF", kBlue);
    EXPECT_EQ(Rewrite("<img src=\"Pics/Cover.GIF\">"), "<img src=\"Pics/__Cover.jpg\">");
    ExpectJpegOf("Pics/__Cover.jpg", kBlue);
}

TEST_F(RewriteHtmlImagesTest, ConvertsEveryReferenceInOrder)
{
    MakeGif("a.gif", kRed);
    MakeGif("img/b.gif", kYellow);
    EXPECT_EQ(Rewrite("<img src=\"a.gif\"><img src=\"img/b.gif\"><img src=\"a.gif\">"),
              "<img src=\"__a.jpg\"><img src=\"img/__b.jpg\"><img src=\"__a.jpg\">");
    ExpectJpegOf("__a.jpg", kRed);
    ExpectJpegOf("img/__b.jpg", kYellow);
}

TEST_F(RewriteHtmlImagesTest, MissingGifKeepsItsReference)
{
    EXPECT_EQ(Rewrite("<img src=\"gone.gif\">"), "<img src=\"gone.gif\">");
    EXPECT_EQ(ListTree(folder_), (std::set<std::string>{"book.html", "new_book.html"}));
}

TEST_F(RewriteHtmlImagesTest, GifThatIsNotAnImageLeavesNoJpeg)
{
    WriteBytes(folder_ / "bad.gif", "GIF89a not really");
    WriteBytes(folder_ / "__bad.jpg", "left from before");
    EXPECT_EQ(Rewrite("<img src=\"bad.gif\">"), "<img src=\"bad.gif\">");
    EXPECT_FALSE(fs::exists(folder_ / "__bad.jpg"));
}

TEST_F(RewriteHtmlImagesTest, WebAddressTouchesNoFile)
{
#ifndef _WIN32
    // The very file the address would name if it were taken for a path.
    MakeGif("http:/example.com/logo.gif");
#endif
    const auto before = ListTree(folder_);
    EXPECT_EQ(Rewrite("<img src=\"http://example.com/logo.gif\">"), "<img src=\"http://example.com/logo.gif\">");
    auto expected = before;
    expected.insert({"book.html", "new_book.html"});
    EXPECT_EQ(ListTree(folder_), expected);
}

TEST_F(RewriteHtmlImagesTest, ParentFolderReferenceTouchesNothingOutside)
{
    ASSERT_TRUE(testgif::WriteGif(root_.Path() / "outside.gif", testgif::QuadrantGif(kRed, kRed, kRed, kRed)));
    EXPECT_EQ(Rewrite("<img src=\"../outside.gif\"><img src=\"pics/../../outside.gif\">"),
              "<img src=\"../outside.gif\"><img src=\"pics/../../outside.gif\">");
    EXPECT_EQ(ListTree(root_.Path()),
              (std::set<std::string>{"book", "book/book.html", "book/new_book.html", "outside.gif"}));
}

TEST_F(RewriteHtmlImagesTest, AbsolutePathTouchesNothingOutside)
{
    const fs::path gif = root_.Path() / "abs.gif";
    ASSERT_TRUE(testgif::WriteGif(gif, testgif::QuadrantGif(kRed, kRed, kRed, kRed)));
    const std::string reference = gif.generic_string();
    EXPECT_EQ(Rewrite("<img src=\"" + reference + "\">"), "<img src=\"" + reference + "\">");
    EXPECT_EQ(ListTree(root_.Path()), (std::set<std::string>{"abs.gif", "book", "book/book.html", "book/new_book.html"}));

    EXPECT_EQ(Rewrite("<img src=\"file:///abs.gif\"><img src=\"C:/abs.gif\">"),
              "<img src=\"file:///abs.gif\"><img src=\"C:/abs.gif\">");
    EXPECT_EQ(ListTree(root_.Path()), (std::set<std::string>{"abs.gif", "book", "book/book.html", "book/new_book.html"}));
}

TEST_F(RewriteHtmlImagesTest, SymbolicLinkOutOfTheFolderIsNotFollowed)
{
    const fs::path elsewhere = root_.Path() / "elsewhere";
    fs::create_directories(elsewhere);
    ASSERT_TRUE(testgif::WriteGif(elsewhere / "a.gif", testgif::QuadrantGif(kRed, kRed, kRed, kRed)));
    std::error_code ec;
    fs::create_directory_symlink(elsewhere, folder_ / "pics", ec);
    if (ec)
        GTEST_SKIP() << "no symbolic links here: " << ec.message();
    fs::create_symlink(elsewhere / "a.gif", folder_ / "b.gif", ec);
    ASSERT_FALSE(ec);

    EXPECT_EQ(Rewrite("<img src=\"pics/a.gif\"><img src=\"b.gif\">"), "<img src=\"pics/a.gif\"><img src=\"b.gif\">");
    EXPECT_FALSE(fs::exists(elsewhere / "__a.jpg"));
    EXPECT_FALSE(fs::exists(folder_ / "__b.jpg"));
}

TEST_F(RewriteHtmlImagesTest, SymbolicLinkedTargetIsNotWrittenThrough)
{
    MakeGif("a.gif");
    const fs::path victim = root_.Path() / "victim.txt";
    WriteBytes(victim, "keep me");
    std::error_code ec;
    fs::create_symlink(victim, folder_ / "__a.jpg", ec);
    if (ec)
        GTEST_SKIP() << "no symbolic links here: " << ec.message();
    EXPECT_EQ(Rewrite("<img src=\"a.gif\">"), "<img src=\"a.gif\">");
    EXPECT_EQ(ReadBytes(victim), "keep me");
}

TEST_F(RewriteHtmlImagesTest, InvalidUtf8ReferenceDoesNotStopTheBook)
{
    MakeGif("ok.gif", kPurple);
    WriteBytes(folder_ / "\xFF.gif", "not read");
    const std::string bad = "<img src=\"\xFF.gif\">";
    EXPECT_EQ(Rewrite(bad + "<img src=\"ok.gif\">"), bad + "<img src=\"__ok.jpg\">");
    ExpectJpegOf("__ok.jpg", kPurple);
    EXPECT_FALSE(fs::exists(folder_ / "__\xFF.jpg"));
}

TEST_F(RewriteHtmlImagesTest, NonAsciiNamesWork)
{
    const std::string gifName = "\xD0\xBA\xD0\xB0\xD1\x80/gr\xC3\xBC\xC3\x9F" "e.gif";  // кар/grüße.gif
    MakeGif(Utf8Path(gifName), kYellow);
    const std::string page = "\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.html";  // книга.html
    EXPECT_EQ(Rewrite("<img src=\"" + gifName + "\">", page),
              "<img src=\"\xD0\xBA\xD0\xB0\xD1\x80/__gr\xC3\xBC\xC3\x9F" "e.jpg\">");
    ExpectJpegOf(Utf8Path("\xD0\xBA\xD0\xB0\xD1\x80/__gr\xC3\xBC\xC3\x9F" "e.jpg"), kYellow);
}

TEST_F(RewriteHtmlImagesTest, ExistingNewPageIsReplaced)
{
    WriteBytes(folder_ / "new_book.html", "an older, longer page that must not survive");
    EXPECT_EQ(Rewrite("<p>new</p>"), "<p>new</p>");
}

TEST_F(RewriteHtmlImagesTest, MissingPageWritesNothing)
{
    const fs::path page = folder_ / "absent.html";
    WriteBytes(folder_ / "new_absent.html", "stale");
    const std::wstring result = RewriteHtmlImages(FromNativePath(page));
    EXPECT_EQ(ToNativePath(result), folder_ / "new_absent.html");
    EXPECT_FALSE(fs::exists(ToNativePath(result)));
    EXPECT_TRUE(ListTree(folder_).empty());
}

TEST_F(RewriteHtmlImagesTest, UnreadablePageConvertsNothing)
{
    // A folder in place of the page can be opened on some systems but never read.
    fs::create_directories(folder_ / "book.html");
    MakeGif("a.gif");
    const std::wstring result = RewriteHtmlImages(FromNativePath(folder_ / "book.html"));
    EXPECT_FALSE(fs::exists(ToNativePath(result)));
    EXPECT_EQ(ListTree(folder_), (std::set<std::string>{"a.gif", "book.html"}));
}

TEST_F(RewriteHtmlImagesTest, UnwritableFolderLeavesNoNewPage)
{
#ifdef _WIN32
    GTEST_SKIP() << "folder permissions work differently here";
#else
    WriteBytes(folder_ / "book.html", "<img src=\"a.gif\">");
    MakeGif("a.gif");
    fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::remove);
    // Root writes past the permission bits, but not into an immutable folder.
    std::optional<ReadOnlyFolder> immutable;
    const fs::path probe = folder_ / "probe";
    if (std::FILE* f = std::fopen(probe.c_str(), "wb")) {
        std::fclose(f);
        fs::remove(probe);
        immutable.emplace(folder_);
        if (!immutable->IsReadOnly()) {
            fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add);
            GTEST_SKIP() << "the folder stays writable for this user";
        }
    }
    const std::wstring result = RewriteHtmlImages(FromNativePath(folder_ / "book.html"));
    immutable.reset();
    fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(fs::exists(ToNativePath(result)));
    EXPECT_EQ(ListTree(folder_), (std::set<std::string>{"a.gif", "book.html"}));
#endif
}

TEST_F(RewriteHtmlImagesTest, EachDistinctGifIsConvertedOnce)
{
    MakeGif("a.gif", kRed);
    MakeGif("b.gif", kBlue);
    std::string page, expected;
    for (int i = 0; i < 20; ++i) {
        const char* const written[] = {"a.GIF", "a.gif", "./a.gif"};
        const char* const rewritten[] = {"__a.jpg", "__a.jpg", "./__a.jpg"};
        page += std::string("<img src=\"") + written[i % 3] + "\">";
        expected += std::string("<img src=\"") + rewritten[i % 3] + "\">";
    }
    page += "<img src=\"b.gif\">";
    expected += "<img src=\"__b.jpg\">";
    WriteBytes(folder_ / "book.html", page);

    // Each look at the stop request sees the JPEG of a.gif, once made, as
    // the same file: a second conversion would have put a new one there.
    std::set<ino_t> jpegFiles;
    const auto observe = [&] {
        struct stat info {};
        if (stat((folder_ / "__a.jpg").c_str(), &info) == 0)
            jpegFiles.insert(info.st_ino);
        return false;
    };
    const std::wstring result = RewriteHtmlImages(FromNativePath(folder_ / "book.html"), observe);
    observe();
    EXPECT_EQ(ReadBytes(ToNativePath(result)), expected);
    EXPECT_EQ(jpegFiles.size(), 1u);
    ExpectJpegOf("__b.jpg", kBlue);
}

TEST_F(RewriteHtmlImagesTest, GifThatCannotBeConvertedKeepsItsReference)
{
    testgif::Image wide;  // valid, but wider than a JPEG can be
    wide.screenWidth = 65535;
    wide.screenHeight = 2;
    wide.globalPalette = {kRed, kBlue};
    wide.frames.push_back(testgif::FullFrame(2, 2, {0, 1, 1, 0}));
    ASSERT_TRUE(testgif::WriteGif(folder_ / "wide.gif", wide));
    // 1 x 1 screen whose first frame is 0 pixels wide.
    WriteBytes(folder_ / "empty.gif", std::string("GIF89a\1\0\1\0\x80\0\0\0\0\0\xFF\xFF\xFF"
                                                  ",\0\0\0\0\0\0\1\0\0\2\2D\1\0;", 35));
    WriteBytes(folder_ / "corrupt.gif", "GIF89a\x10\0\x10\0 then nothing that decodes");
    MakeGif("ok.gif", kGreen);

    const std::string kept = "<img src=\"wide.gif\"><img src=\"empty.gif\"><img src=\"corrupt.GIF\"><img src=\"gone.gif\">";
    EXPECT_EQ(Rewrite(kept + "<img src=\"ok.gif\">"), kept + "<img src=\"__ok.jpg\">");
    ExpectJpegOf("__ok.jpg", kGreen);
    EXPECT_EQ(ListTree(folder_), (std::set<std::string>{"book.html", "corrupt.gif", "empty.gif", "new_book.html",
                                                        "ok.gif", "wide.gif", "__ok.jpg"}));
}

TEST_F(RewriteHtmlImagesTest, StopIsSeenBetweenPicturesAndWithinALargeOne)
{
    MakeGif("a.gif");
    MakeGif("b.gif");
    WriteBytes(folder_ / "book.html", "<img src=\"a.gif\"><img src=\"b.gif\">");
    const auto stopOnceAIsDone = [&] { return fs::exists(folder_ / "__a.jpg"); };
    const std::wstring result = RewriteHtmlImages(FromNativePath(folder_ / "book.html"), stopOnceAIsDone);
    EXPECT_FALSE(fs::exists(ToNativePath(result)));  // no page when stopped
    EXPECT_FALSE(fs::exists(folder_ / "__b.jpg"));

    testgif::Image large;
    large.globalPalette = {kRed, kBlue};
    large.frames.push_back(testgif::FullFrame(1000, 1000, std::vector<unsigned char>(1000 * 1000, 1)));
    ASSERT_TRUE(testgif::WriteGif(folder_ / "large.gif", large));
    int looks = 0;
    EXPECT_FALSE(ConvertGifToJpeg(folder_ / "large.gif", folder_ / "large.jpg", [&] { return ++looks > 3; }));
    EXPECT_FALSE(fs::exists(folder_ / "large.jpg"));
}

// --- GIF to JPEG ---------------------------------------------------------------

class GifToJpegTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.Path().empty()); }

    // Writes the GIF, converts it and reads the JPEG back.
    std::optional<testjpeg::Picture> Convert(const testgif::Image& image)
    {
        const fs::path gif = folder_.Path() / "in.gif";
        EXPECT_TRUE(testgif::WriteGif(gif, image));
        const fs::path jpeg = folder_.Path() / "out.jpg";
        EXPECT_TRUE(ConvertGifToJpeg(gif, jpeg));
        auto picture = testjpeg::ReadJpeg(jpeg);
        if (picture) {
            EXPECT_EQ(picture->components, 3);
        }
        return picture;
    }

    void ExpectQuadrants(const testjpeg::Picture& picture, Colour tl, Colour tr, Colour bl, Colour br)
    {
        ASSERT_EQ(picture.width, 32);
        ASSERT_EQ(picture.height, 32);
        EXPECT_TRUE(ColourAt(picture, 8, 8, tl));
        EXPECT_TRUE(ColourAt(picture, 24, 8, tr));
        EXPECT_TRUE(ColourAt(picture, 8, 24, bl));
        EXPECT_TRUE(ColourAt(picture, 24, 24, br));
    }

    TempFolder folder_;
};

TEST_F(GifToJpegTest, PlainGif)
{
    const auto picture = Convert(testgif::QuadrantGif(kRed, kGreen, kBlue, kYellow));
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kRed, kGreen, kBlue, kYellow);
}

TEST_F(GifToJpegTest, TransparentIndexKeepsItsPaletteColour)
{
    const auto picture = Convert(testgif::TransparentGif(kBlue, kGreen));
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kBlue, kGreen, kBlue, kGreen);
}

TEST_F(GifToJpegTest, AnimatedGifGivesItsFirstFrame)
{
    const auto picture = Convert(testgif::AnimatedGif({kRed, kBlue, kGreen}));
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kRed, kRed, kRed, kRed);
}

TEST_F(GifToJpegTest, InterlacedRowsComeInTheirPlaces)
{
    // 61 rows: the four passes end at different rows.
    const auto picture = Convert(testgif::InterlacedGreyRampGif(16, 61));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, 16);
    ASSERT_EQ(picture->height, 61);
    for (int y = 0; y < 61; ++y) {
        const int grey = y * 4;
        EXPECT_TRUE(testjpeg::Near(picture->At(8, y), {grey, grey, grey}, 8)) << "row " << y << " is "
                                                                              << picture->At(8, y).red;
    }
}

TEST_F(GifToJpegTest, FrameAtAnOffsetIsDrawnOnTheBackground)
{
    const auto picture = Convert(testgif::OffsetFrameGif(kYellow, kBlue, false));
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kYellow, kYellow, kYellow, kBlue);
}

TEST_F(GifToJpegTest, LocalColourMapIsHonoured)
{
    const auto picture = Convert(testgif::OffsetFrameGif(kYellow, kPurple, true));
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kYellow, kYellow, kYellow, kPurple);
}

TEST_F(GifToJpegTest, BackgroundIsWhiteWithoutGlobalColourMap)
{
    auto image = testgif::OffsetFrameGif(kYellow, kRed, true);
    image.globalPalette.clear();
    const auto picture = Convert(image);
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, Colour{255, 255, 255}, Colour{255, 255, 255}, Colour{255, 255, 255}, kRed);
}

TEST_F(GifToJpegTest, BackgroundIndexChoosesTheBackgroundColour)
{
    auto image = testgif::OffsetFrameGif(kYellow, kBlue, false);
    image.backgroundIndex = 1;
    image.frames[0].pixels.assign(16 * 16, 0);
    const auto picture = Convert(image);
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kBlue, kBlue, kBlue, kYellow);
}

TEST_F(GifToJpegTest, FrameReachingPastTheScreenIsCut)
{
    testgif::Image image;
    image.screenWidth = 32;
    image.screenHeight = 32;
    image.globalPalette = {kGreen, kRed};
    testgif::Frame frame;
    frame.left = 16;
    frame.top = 16;
    frame.width = 48;
    frame.height = 48;
    frame.pixels.assign(48 * 48, 1);
    image.frames.push_back(frame);
    const auto picture = Convert(image);
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kGreen, kGreen, kGreen, kRed);
}

TEST_F(GifToJpegTest, ExistingTargetIsReplaced)
{
    const fs::path gif = folder_.Path() / "in.gif";
    const fs::path jpeg = folder_.Path() / "out.jpg";
    ASSERT_TRUE(testgif::WriteGif(gif, testgif::QuadrantGif(kRed, kRed, kRed, kRed)));
    WriteBytes(jpeg, std::string(100000, 'x'));
    ASSERT_TRUE(ConvertGifToJpeg(gif, jpeg));
    const auto picture = testjpeg::ReadJpeg(jpeg);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(ColourAt(*picture, 8, 8, kRed));
    EXPECT_EQ(ListTree(folder_.Path()), (std::set<std::string>{"in.gif", "out.jpg"}));
}

TEST_F(GifToJpegTest, BrokenGifsGiveNoJpeg)
{
    const fs::path good = folder_.Path() / "good.gif";
    ASSERT_TRUE(testgif::WriteGif(good, testgif::InterlacedGreyRampGif(40, 40)));
    const auto bytes = ReadBytes(good);
    ASSERT_TRUE(bytes);
    const fs::path jpeg = folder_.Path() / "out.jpg";

    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"not a GIF", "<html>hello</html>"},
        {"header only", bytes->substr(0, 6)},
        {"screen descriptor only", bytes->substr(0, 13)},
        {"no image", bytes->substr(0, 13 + 3 * 64) + ";"},
    };
    for (std::size_t length : {bytes->size() / 2, bytes->size() - 40, std::size_t{13 + 3 * 64 + 20}})
        cases.emplace_back("truncated to " + std::to_string(length), bytes->substr(0, length));
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        const fs::path gif = folder_.Path() / "broken.gif";
        WriteBytes(gif, content);
        WriteBytes(jpeg, "an older picture");
        EXPECT_FALSE(ConvertGifToJpeg(gif, jpeg));
        EXPECT_FALSE(fs::exists(jpeg));
    }
    EXPECT_EQ(ListTree(folder_.Path()), (std::set<std::string>{"broken.gif", "good.gif"}));
}

TEST_F(GifToJpegTest, ScrambledImageDataIsHandled)
{
    const fs::path gif = folder_.Path() / "in.gif";
    ASSERT_TRUE(testgif::WriteGif(gif, testgif::InterlacedGreyRampGif(40, 40)));
    auto bytes = ReadBytes(gif);
    ASSERT_TRUE(bytes);
    // Past the header, the palette and the image descriptor.
    for (std::size_t step : {3, 5, 7}) {
        std::string scrambled = *bytes;
        for (std::size_t i = 13 + 3 * 64 + 20; i < scrambled.size(); i += step)
            scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
        WriteBytes(gif, scrambled);
        const fs::path jpeg = folder_.Path() / "out.jpg";
        // Garbage may still decode to some picture; it must not crash, and
        // there is a complete JPEG exactly when the call says so.
        const bool converted = ConvertGifToJpeg(gif, jpeg);
        EXPECT_EQ(converted, testjpeg::ReadJpeg(jpeg).has_value()) << "step " << step;
    }
}

TEST_F(GifToJpegTest, MissingGifGivesNoJpeg)
{
    EXPECT_FALSE(ConvertGifToJpeg(folder_.Path() / "absent.gif", folder_.Path() / "out.jpg"));
    EXPECT_TRUE(ListTree(folder_.Path()).empty());
}

TEST_F(GifToJpegTest, HugeScreenIsRefused)
{
    testgif::Image image;
    image.screenWidth = 20000;
    image.screenHeight = 20000;  // 400 million pixels
    image.globalPalette = {kRed, kBlue};
    image.frames.push_back(testgif::FullFrame(2, 2, {0, 1, 1, 0}));
    const fs::path gif = folder_.Path() / "huge.gif";
    ASSERT_TRUE(testgif::WriteGif(gif, image));
    EXPECT_FALSE(ConvertGifToJpeg(gif, folder_.Path() / "out.jpg"));
    EXPECT_FALSE(fs::exists(folder_.Path() / "out.jpg"));
}

TEST_F(GifToJpegTest, PictureTheJpegEncoderRefusesLeavesNoFile)
{
    // Wider than the 65500 pixels a JPEG can hold: the encoder gives up half-way.
    testgif::Image image;
    image.screenWidth = 65535;
    image.screenHeight = 2;
    image.globalPalette = {kRed, kBlue};
    image.frames.push_back(testgif::FullFrame(2, 2, {0, 1, 1, 0}));
    const fs::path gif = folder_.Path() / "wide.gif";
    ASSERT_TRUE(testgif::WriteGif(gif, image));
    WriteBytes(folder_.Path() / "out.jpg", "an older picture");
    EXPECT_FALSE(ConvertGifToJpeg(gif, folder_.Path() / "out.jpg"));
    EXPECT_EQ(ListTree(folder_.Path()), (std::set<std::string>{"wide.gif"}));
}

TEST_F(GifToJpegTest, MissingTargetFolderFails)
{
    const fs::path gif = folder_.Path() / "in.gif";
    ASSERT_TRUE(testgif::WriteGif(gif, testgif::QuadrantGif(kRed, kRed, kRed, kRed)));
    EXPECT_FALSE(ConvertGifToJpeg(gif, folder_.Path() / "no" / "out.jpg"));
    EXPECT_EQ(ListTree(folder_.Path()), (std::set<std::string>{"in.gif"}));
}

TEST_F(GifToJpegTest, NonAsciiFileNames)
{
    const fs::path gif = folder_.Path() / Utf8Path("\xE5\x9B\xBE \xC3\xA4.gif");
    const fs::path jpeg = folder_.Path() / Utf8Path("\xE5\x9B\xBE \xC3\xA4.jpg");
    ASSERT_TRUE(testgif::WriteGif(gif, testgif::QuadrantGif(kRed, kGreen, kBlue, kYellow)));
    ASSERT_TRUE(ConvertGifToJpeg(gif, jpeg));
    const auto picture = testjpeg::ReadJpeg(jpeg);
    ASSERT_TRUE(picture);
    ExpectQuadrants(*picture, kRed, kGreen, kBlue, kYellow);
}
