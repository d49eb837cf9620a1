// Rewriting of the intermediate HTML page: every GIF image it refers to
// becomes a JPEG copy beside it, and the page is written anew as new_<name>.
#pragma once

#include <string>
#include <vector>

// Converts the page's GIF images and writes the rewritten copy; returns the
// copy's path (the page's folder, a separator, "new_" and the page's name)
// in every case: the caller checks that the file exists.
std::wstring RewriteHtmlImages(const std::wstring& pagePath);

// Rewrites every src="...gif..." value of the page text in place and appends
// each rewritten value, as found with ".GIF" lowered, to `references`.
void CollectGifSources(std::string& page, std::vector<std::string>& references);

// Converts the GIF behind each reference into the JPEG the page now names.
void ConvertGifFiles(const std::wstring& pageFolder, const std::vector<std::string>& references);

// "images/pic.gif" -> "images/__pic.gif": the file name gets the "__" prefix,
// joined to its folder with a slash. An invalid UTF-8 reference comes back
// unchanged.
std::string PrefixFileName(const std::string& reference);
