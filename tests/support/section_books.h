// Books whose table of contents leads into the middle of their text: each
// chapter holds sections, and the entries of the sections name the places of
// their headings inside the chapter, as KindleGen's books do.
#pragma once

#include "mobi_writer.h"

#include <string>

// The heading of section `section` of chapter `chapter` (both 1-based).
std::string SectionHeading(int chapter, int section);

// A KF8 book, "KF8 Sections": a contents file whose links (kindle:pos) lead to
// every section, then one file per chapter, each cut into two fragments: the
// chapter's <h2> and its first section, then its other sections. Each section
// is an <h3> with `paragraphs` paragraphs of about 70 words. The table of
// contents has an entry per chapter (leading to its <h2>, the start of a
// fragment) with one child per section (leading into the fragment: to the
// '<' of its <h3>, or for the second section of each chapter, into the <h3>
// tag itself). The second section's heading asks for a page break before
// it, and elements carry aid attributes, as KindleGen writes them.
MobiBook MakeKf8SectionsBook(int chapters, int sections, int paragraphs);

// The same text as a KF7 book, "KF7 Sections": chapters after page breaks,
// the table of contents by filepos, leading to the same places.
MobiBook MakeKf7SectionsBook(int chapters, int sections, int paragraphs);
