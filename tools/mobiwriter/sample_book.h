// The project's own sample book: a few short chapters of original text with
// non-ASCII words, page breaks between the chapters and two generated GIF
// pictures (the second one referred to twice).
#pragma once

#include "mobi_writer.h"

MobiBook MakeSampleBook();
