// The reason a failed book gives, taken from what our tools say.
#include "engine/job_reasons.h"

#include <gtest/gtest.h>

#include <string>

TEST(JobReasons, OnlyOurToolsFailureLineGivesTheReason)
{
    const std::string work = "/home/u/.cache/Velmora";
    const std::string warning = "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'\n";
    struct Case {
        const char* tool;
        std::string output;
        std::wstring reason;
    };
    const Case cases[] = {
        {"mobi2html", "mobi2html: " + work + "/tmpmobi1-2-3.mobi: the book is encrypted (DRM) and cannot be converted\n",
         reasons::kDrm},
        {"mobi2html", "mobi2html: " + work + "/tmpmobi1-2-3.mobi: the file is damaged or is not a MOBI book\r\n",
         reasons::kDamagedOrNotMobi},
        {"mobi2html", "mobi2html: " + work + "/x.mobi: the book's text cannot be read (the file is damaged)", reasons::kDamaged},
        {"mobi2html", "mobi2html: " + work + "/x_html: No space left on device\n", reasons::kDiskFull},
        {"mobi2html", "mobi2html: " + work + "/x.mobi: this kind of MOBI book is not supported\n",
         L"this kind of MOBI book is not supported"},
        {"wkhtmltopdf", warning, L""},
        {"wkhtmltopdf", "Error: Failed to load page\n" + warning, L""},
        {"wkhtmltopdf", warning + "wkhtmltopdf: the picture is too large\n" + warning, L"the picture is too large"},
        {"wkhtmltopdf", "wkhtmltopdf: cannot find the folder of " + work + "/x_html/new_x.html\n", L""},
        {"wkhtmltopdf", "mobi2html: x: damaged\n", L""},  // another tool's line
        // A note on a PDF that was written is no failure's reason.
        {"wkhtmltopdf", "wkhtmltopdf note: no font could draw its Chinese text\n", L""},
        {"mobi2html", "mobi2html: " + work + "/x.mobi: " + std::string(300, 'e') + "\n",
         std::wstring(200, L'e') + L"..."},
        {"mobi2html", "mobi2html: " + work + "/x.mobi: bad\x1b[2Jtext\n", L"bad [2Jtext"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        EXPECT_EQ(reasons::FromToolOutput(c.output, c.tool, work), c.reason);
    }
}

TEST(JobReasons, OnlyOurToolsLastNoteLineGivesTheNote)
{
    const std::string note = "wkhtmltopdf note: no font could draw its Chinese text\n";
    struct Case {
        std::string output;
        std::wstring note;
    };
    const Case cases[] = {
        {"", L""},
        {"QStandardPaths: XDG_RUNTIME_DIR not set\n", L""},
        {note, L"no font could draw its Chinese text"},
        {"wkhtmltopdf note: old\r\n" + note + "Warning: x\n", L"no font could draw its Chinese text"},
        {"wkhtmltopdf: the picture is too large\n", L""},
        {"mobi2html note: something\n", L""},
        {"wkhtmltopdf note: \xE4\xB8\xAD\x07\n", L"\u4E2D "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        EXPECT_EQ(reasons::NoteFromToolOutput(c.output, "wkhtmltopdf"), c.note);
    }
}
