// The installed program: `cmake --install` of this build into a temporary
// prefix, and the Debian package that CPack makes of it, unpacked into a
// temporary root. Both are checked as a user's machine would use them.
#include "app/help_page.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_books.h"

#include "corvale_version.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kAppId = CORVALE_APP_ID;

// "16,32,48" -> {16, 32, 48}
std::vector<int> IconSizes()
{
    std::vector<int> sizes;
    std::istringstream list(CORVALE_ICON_SIZES);
    for (std::string size; std::getline(list, size, ',');)
        sizes.push_back(std::stoi(size));
    return sizes;
}

// Width and height from a PNG file's header; {0, 0} for anything else.
std::array<int, 2> PngSize(const fs::path& file)
{
    const std::string bytes = ReadTextFile(file);
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    const auto word = [&bytes](size_t at) {
        int value = 0;
        for (size_t i = at; i < at + 4; ++i)
            value = value * 256 + static_cast<unsigned char>(bytes[i]);
        return value;
    };
    return {word(16), word(20)};
}

// The keys of a desktop entry's [Desktop Entry] group.
std::map<std::string, std::string> DesktopEntryKeys(const fs::path& file)
{
    std::map<std::string, std::string> keys;
    std::istringstream lines(ReadTextFile(file));
    bool inGroup = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '[')
            inGroup = line == "[Desktop Entry]";
        else if (const size_t equals = line.find('='); inGroup && equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

// Converts the project's sample book with the corvale-convert at `program`,
// its work folder in a temporary cache; the exit status, and the PDF's first
// bytes when it was written.
struct Conversion {
    ProgramResult run;
    std::string pdfStart;
};

Conversion ConvertSampleBook(const fs::path& program)
{
    TempDir books;
    TempCacheHome cache;
    const fs::path book = books / "Sample.mobi";
    if (!WriteSampleBook(book))
        return {};
    Conversion conversion{RunProgram(program.string(), {book.string()}), ""};
    conversion.pdfStart = ReadTextFile(books / "Sample.pdf").substr(0, 5);
    return conversion;
}

}  // namespace

// --- cmake --install -------------------------------------------------------------------

class InstallTree : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_prefix = std::make_unique<TempDir>();
        s_install = RunProgram(CORVALE_CMAKE_COMMAND, {"--install", CORVALE_BUILD_DIR, "--prefix", s_prefix->path().string()});
    }
    static void TearDownTestSuite() { s_prefix.reset(); }

    void SetUp() override
    {
        ASSERT_EQ(s_install.exitCode, 0) << s_install.output << s_install.errorOutput;
    }

    static fs::path Prefix() { return s_prefix->path(); }

    static inline std::unique_ptr<TempDir> s_prefix;
    static inline ProgramResult s_install;
};

TEST_F(InstallTree, HoldsTheFilesOfALinuxProgram)
{
    struct Entry {
        std::string path;
        bool executable;
    };
    const Entry entries[] = {
        {"lib/corvale/corvale", true},
        {"lib/corvale/corvale-convert", true},
        {"lib/corvale/core/mobi2html", true},
        {"lib/corvale/core/wkhtmltopdf", true},
        {"share/corvale/help/index.html", false},
        {"share/applications/" + kAppId + ".desktop", false},
        {"share/metainfo/" + kAppId + ".metainfo.xml", false},
        {"share/man/man1/corvale.1.gz", false},
        {"share/man/man1/corvale-convert.1.gz", false},
        {"share/doc/corvale/copyright", false},
    };
    for (const Entry& entry : entries) {
        const fs::path file = Prefix() / entry.path;
        std::error_code error;
        ASSERT_TRUE(fs::is_regular_file(file, error)) << entry.path;
        const bool executable = (fs::status(file).permissions() & fs::perms::others_exec) != fs::perms::none;
        EXPECT_EQ(executable, entry.executable) << entry.path;
    }
    // Nothing of the program's own stays in bin/ but the two links.
    std::set<std::string> inBin;
    for (const fs::directory_entry& entry : fs::directory_iterator(Prefix() / "bin"))
        inBin.insert(entry.path().filename().string());
    EXPECT_EQ(inBin, (std::set<std::string>{"corvale", "corvale-convert"}));
}

TEST_F(InstallTree, BinLinksAreRelativeAndLeadToTheProgramsFolder)
{
    for (const std::string program : {"corvale", "corvale-convert"}) {
        const fs::path link = Prefix() / "bin" / program;
        ASSERT_TRUE(fs::is_symlink(link)) << program;
        EXPECT_TRUE(fs::read_symlink(link).is_relative()) << fs::read_symlink(link);
        EXPECT_EQ(fs::canonical(link), fs::canonical(Prefix() / "lib/corvale" / program));
    }
}

TEST_F(InstallTree, IconsAtEverySizeAreDrawnAtThatSize)
{
    const std::vector<int> sizes = IconSizes();
    ASSERT_EQ(sizes.size(), 6u);
    for (int size : sizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(PngSize(Prefix() / "share/icons/hicolor" / folder / "apps" / (kAppId + ".png")),
                  (std::array<int, 2>{size, size})) << folder;
    }
}

TEST_F(InstallTree, DesktopEntryAndAppStreamDataNameWhatIsInstalled)
{
    std::map<std::string, std::string> keys = DesktopEntryKeys(Prefix() / "share/applications" / (kAppId + ".desktop"));
    // The validator checks the form; these are what the desktop runs and shows.
    EXPECT_EQ(keys["Exec"], "corvale %F");
    EXPECT_EQ(keys["Terminal"], "false");
    EXPECT_NE(keys["MimeType"].find("application/x-mobipocket-ebook;"), std::string::npos);
    // The command is on the installed PATH and the icon is the installed one.
    EXPECT_TRUE(fs::exists(Prefix() / "bin" / keys["TryExec"]));
    EXPECT_EQ(keys["Icon"], kAppId);

    const std::string metainfo = ReadTextFile(Prefix() / "share/metainfo" / (kAppId + ".metainfo.xml"));
    for (const std::string& element :
         {"<id>" + kAppId + "</id>", "<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>",
          std::string("<release version=\"" CORVALE_VERSION "\""), std::string("<binary>corvale-convert</binary>")})
        EXPECT_NE(metainfo.find(element), std::string::npos) << element;
}

struct Validator {
    const char* tool;
    std::vector<std::string> options;
    std::string file;  // under the prefix
};

void PrintTo(const Validator& validator, std::ostream* out) { *out << validator.tool; }

class InstalledDataValidates : public InstallTree, public testing::WithParamInterface<Validator> {};

TEST_P(InstalledDataValidates, WithTheDesktopsOwnValidator)
{
    const Validator& validator = GetParam();
    if (!IsProgramOnPath(validator.tool))
        GTEST_SKIP() << validator.tool << " is not installed (scripts/install-deps.sh installs it)";
    std::vector<std::string> args = validator.options;
    args.push_back((Prefix() / validator.file).string());
    const ProgramResult run = RunProgram(validator.tool, args);
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errorOutput;
}

INSTANTIATE_TEST_SUITE_P(
    Files, InstalledDataValidates,
    testing::Values(Validator{"desktop-file-validate", {}, "share/applications/" + kAppId + ".desktop"},
                    Validator{"appstreamcli", {"validate", "--no-net"}, "share/metainfo/" + kAppId + ".metainfo.xml"}),
    [](const testing::TestParamInfo<Validator>& info) { return info.index == 0 ? "DesktopEntry" : "AppStream"; });

TEST_F(InstallTree, ManualPagesRenderWithoutWarnings)
{
    if (!IsProgramOnPath("groff"))
        GTEST_SKIP() << "groff is not installed (scripts/install-deps.sh installs groff-base)";
    for (const char* page : {"corvale.1.gz", "corvale-convert.1.gz"}) {
        const fs::path file = Prefix() / "share/man/man1" / page;
        const ProgramResult source = RunProgram("gzip", {"-dc", file.string()});
        EXPECT_NE(source.output.find("\"Corvale " CORVALE_VERSION "\""), std::string::npos) << page;
        const ProgramResult render =
            RunProgram("sh", {"-c", "gzip -dc \"$1\" | groff -man -ww -z -Tutf8", "sh", file.string()});
        EXPECT_EQ(render.exitCode, 0) << page;
        EXPECT_EQ(render.errorOutput, "") << page;
    }
}

TEST_F(InstallTree, ConvertThroughTheBinLinkUsesTheToolsBesideTheProgram)
{
    const Conversion done = ConvertSampleBook(Prefix() / "bin/corvale-convert");
    EXPECT_EQ(done.run.exitCode, 0) << done.run.output << done.run.errorOutput;
    EXPECT_EQ(done.pdfStart, "%PDF-");

    // Without the installed mobi2html the same program fails: it used the
    // tools of its own folder, not those of the build.
    const fs::path tool = Prefix() / "lib/corvale/core/mobi2html";
    fs::rename(tool, tool.string() + ".away");
    const Conversion failed = ConvertSampleBook(Prefix() / "bin/corvale-convert");
    fs::rename(tool.string() + ".away", tool);
    EXPECT_EQ(failed.run.exitCode, 1) << failed.run.output;
    EXPECT_EQ(failed.pdfStart, "");
}

TEST_F(InstallTree, ProgramFindsItsHelpPageWhereverItStands)
{
    struct Case {
        fs::path executable;
        fs::path page;
    };
    TempDir elsewhere;
    const Case cases[] = {
        // The real program behind the link finds the page under share/.
        {fs::canonical(Prefix() / "bin/corvale"), Prefix() / "share/corvale/help/index.html"},
        // In the build tree it stands beside the program.
        {fs::path(CORVALE_BIN_DIR) / "corvale", fs::path(CORVALE_BIN_DIR) / "help/index.html"},
        // Nowhere: the place beside the program.
        {elsewhere / "corvale", elsewhere / "help/index.html"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindHelpPage(c.executable), c.page) << c.executable;
}

// --- the Debian package ----------------------------------------------------------------

class DebianPackage : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_output = std::make_unique<TempDir>();
        if (!IsProgramOnPath("dpkg-deb") || !IsProgramOnPath("dpkg-shlibdeps"))
            return;
        s_cpack = RunProgram(CORVALE_CPACK_COMMAND, {"--config", std::string(CORVALE_BUILD_DIR) + "/CPackConfig.cmake",
                                                     "-B", s_output->path().string()});
        for (const fs::directory_entry& entry : fs::directory_iterator(s_output->path())) {
            if (entry.path().extension() == ".deb")
                s_package = entry.path();
        }
    }
    static void TearDownTestSuite() { s_output.reset(); }

    void SetUp() override
    {
        if (!IsProgramOnPath("dpkg-deb") || !IsProgramOnPath("dpkg-shlibdeps"))
            GTEST_SKIP() << "dpkg-dev is not installed (scripts/install-deps.sh installs it)";
        ASSERT_EQ(s_cpack.exitCode, 0) << s_cpack.output << s_cpack.errorOutput;
        ASSERT_FALSE(s_package.empty()) << s_cpack.output;
    }

    static std::string Field(const std::string& name)
    {
        std::string value = RunProgram("dpkg-deb", {"-f", s_package.string(), name}).output;
        while (!value.empty() && value.back() == '\n')
            value.pop_back();
        return value;
    }

    static inline std::unique_ptr<TempDir> s_output;
    static inline ProgramResult s_cpack;
    static inline fs::path s_package;
};

TEST_F(DebianPackage, NamesItselfAndDependsOnWhatItRuns)
{
    std::string architecture = RunProgram("dpkg", {"--print-architecture"}).output;
    architecture.erase(architecture.find_last_not_of('\n') + 1);
    EXPECT_EQ(s_package.filename().string(), "corvale_" CORVALE_VERSION "_" + architecture + ".deb");
    EXPECT_EQ(Field("Package"), "corvale");
    EXPECT_EQ(Field("Version"), CORVALE_VERSION);
    EXPECT_EQ(Field("Architecture"), architecture);
    EXPECT_FALSE(Field("Maintainer").empty());
    EXPECT_FALSE(Field("Section").empty());
    EXPECT_FALSE(Field("Description").empty());

    // The package names of Depends, without versions and alternatives.
    std::set<std::string> depends;
    std::istringstream list(Field("Depends"));
    for (std::string item; std::getline(list, item, ',');) {
        const size_t start = item.find_first_not_of(' ');
        if (start != std::string::npos)
            depends.insert(item.substr(start, item.find_first_of(" (|", start) - start));
    }
    // Shared libraries as dpkg-shlibdeps finds them, what the renderer runs,
    // and fonts for Latin and the other alphabets and for Chinese, Japanese
    // and Korean (the first of its alternatives).
    for (const char* package : {"libc6", "libstdc++6", "libmobi0", "libgif7", "libjpeg62-turbo", "libwxgtk3.2-1",
                                "libwxgtk-webview3.2-1", "libqpdf29", "libpng16-16", "libfontconfig1", "wkhtmltopdf",
                                "fonts-dejavu-core", "fonts-wqy-microhei"})
        EXPECT_EQ(depends.count(package), 1u) << package << " in " << Field("Depends");
}

TEST_F(DebianPackage, UnpackedItConvertsABookThroughUsrBin)
{
    TempDir root;
    const ProgramResult unpack = RunProgram("dpkg-deb", {"-x", s_package.string(), root.path().string()});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.errorOutput;
    EXPECT_EQ(fs::read_symlink(root / "usr/bin/corvale"), fs::path("../lib/corvale/corvale"));

    const Conversion done = ConvertSampleBook(root / "usr/bin/corvale-convert");
    EXPECT_EQ(done.run.exitCode, 0) << done.run.output << done.run.errorOutput;
    EXPECT_EQ(done.pdfStart, "%PDF-");
    const ProgramResult version = RunProgram((root / "usr/bin/corvale").string(), {"--version"}, {"DISPLAY"});
    EXPECT_EQ(version.output, "corvale " CORVALE_VERSION "\n");
}
