// What of the page's folder the system renderer may be sent to: only
// regular files inside it; anything else that a reference names there
// shows as a picture that did not load.
#include "page_checks.h"
#include "temp_dir.h"

#include "tools/renderer/picture_references.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A Unix socket bound at `path`; false when none could be made.
bool MakeSocket(const fs::path& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = path.string();
    if (name.size() >= sizeof address.sun_path) {
        close(fd);
        return false;
    }
    name.copy(address.sun_path, name.size());
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

class UnreadableReferences : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = m_temp / "Seite ü";
        fs::create_directories(m_folder / "images");
        m_folder = fs::canonical(m_folder);
        ASSERT_TRUE(WriteTextFile(m_folder / "images" / "a.png", "not really a picture"));
        ASSERT_TRUE(WriteTextFile(m_temp / "outside.png", "outside"));
        ASSERT_EQ(mkfifo((m_folder / "pipe.png").c_str(), 0600), 0);
        ASSERT_TRUE(MakeSocket(m_folder / "s.png"));
        fs::create_symlink(m_temp / "outside.png", m_folder / "out.png");
        fs::create_symlink("/dev/zero", m_folder / "zero.png");
        fs::create_symlink("images/a.png", m_folder / "inner.png");
        fs::create_symlink(m_folder / "pipe.png", m_folder / "to-pipe.png");
        fs::create_directory_symlink(m_temp.path(), m_folder / "up");
    }

    TempDir m_temp;
    fs::path m_folder;
};

TEST_F(UnreadableReferences, OnlyRegularFilesInsideTheFolderAreLetThrough)
{
    const struct {
        std::string reference;
        bool unreadable;
    } cases[] = {
        {"pipe.png", true},
        {"./images/../pipe.png?x#y", true},
        {"pipe%2Epng", true},
        {"s.png", true},
        {"zero.png", true},
        {"out.png", true},
        {"up/outside.png", true},
        {"to-pipe.png", true},
        {"images", true},
        {"images/", true},
        {"images/a.png", false},
        {"inner.png", false},
        {"none.png", false},               // nothing there to hold anyone up
        {"../outside.png", false},         // outside: the system renderer is not let in there
        {"http://example.com/pipe.png", false},
        {"data:,", false},
        {"", false},
    };
    for (const auto& [reference, unreadable] : cases) {
        EXPECT_EQ(NamesUnreadable(reference, m_folder), unreadable) << reference;
    }
    // The same paths written whole, and as file addresses.
    EXPECT_TRUE(NamesUnreadable((m_folder / "pipe.png").string(), m_folder));
    EXPECT_TRUE(NamesUnreadable("file://" + (m_folder / "pipe.png").string(), m_folder));
    EXPECT_FALSE(NamesUnreadable((m_folder / "images" / "a.png").string(), m_folder));
}

TEST_F(UnreadableReferences, EveryReferenceTheRendererWouldReadIsPointedAway)
{
    const std::string page =
        "<html><head><link rel=\"stylesheet\" href=\"pipe.png\"><style>p { background: url(\"zero.png\") }</style>"
        "</head><body><img src=\"pipe.png\" alt=\"x\"><img src=\"images/a.png\"><iframe src=\"s.png\"></iframe>"
        "<object data=\"out.png\"></object><p style=\"background-image: url(to-pipe.png)\">t</p>"
        "<a href=\"pipe.png\">a link is only followed by the reader</a></body></html>";
    const std::vector<HtmlToken> tokens = TokenizeHtml(page);
    std::string edited = page;
    const std::vector<TextEdit> edits = RedirectPictures(page, tokens, m_folder, {});
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
        edited.replace(edit->begin, edit->end - edit->begin, edit->text);

    EXPECT_EQ(CountOf(edited, std::string(kUnreadableReference)), 6u) << edited;
    EXPECT_EQ(CountOf(edited, "\"images/a.png\""), 1u) << edited;
    EXPECT_EQ(CountOf(edited, "<a href=\"pipe.png\">"), 1u) << edited;
    EXPECT_EQ(CountOf(edited, "alt=\"x\""), 1u) << "the picture keeps its other attributes";
}

}  // namespace
