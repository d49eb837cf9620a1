// Style sheets of the book made fit for the page: nothing that would load a
// font or a file from elsewhere, images pointed at the files beside the page,
// and nothing that a printed page cannot show well: absolute font sizes
// below 9 points are raised to 9, and "white-space: pre" becomes pre-wrap.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Maps a url() target of the book to the page-relative path of the file
// written for it; an empty result means there is no such file.
using UrlResolver = std::function<std::string(std::string_view)>;

// A style sheet for a <style> element of the page: comments, @font-face,
// @import and @charset rules dropped, every url() either pointed at the file
// `resolve` gives or replaced by none, and "</" escaped so that the sheet
// cannot end its element early.
std::string FixStyleSheet(std::string_view css, const UrlResolver& resolve);

// The value of a style attribute with its url() references, font sizes and
// white space handled the same way.
std::string FixInlineStyle(std::string_view style, const UrlResolver& resolve);
