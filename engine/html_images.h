// Rewriting of the intermediate HTML page: every GIF image it refers to
// becomes a JPEG copy beside it, and the page is written anew as new_<name>.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

// Asked between pictures, and now and then while a large one is converted:
// true ends the picture work at once.
using StopPredicate = std::function<bool()>;

// Converts the page's GIF images and writes the rewritten copy; returns the
// copy's path (the page's folder, a separator, "new_" and the page's name)
// in every case: the caller checks that the file exists. A reference whose
// GIF could not be converted keeps naming the GIF, which the renderer draws
// itself. When a stop ends the work no copy is written.
std::wstring RewriteHtmlImages(const std::wstring& pagePath, const StopPredicate& stopRequested = {});

// Rewrites every src="...gif..." value of the page text in place and appends
// each rewritten value, as found with ".GIF" lowered, to `references`.
void CollectGifSources(std::string& page, std::vector<std::string>& references);

// The same scan, rewriting only the values (".GIF" lowered) for which
// `rewrite` says yes; the others stay as they are written and are not listed.
void CollectGifSources(std::string& page, std::vector<std::string>& references,
                       const std::function<bool(const std::string&)>& rewrite);

// Converts the GIF behind each reference into the JPEG its rewritten value
// names, each distinct picture once, in list order. Returns the references
// whose JPEG was written.
std::set<std::string> ConvertGifFiles(const std::wstring& pageFolder, const std::vector<std::string>& references,
                                      const StopPredicate& stopRequested = {});

// "images/pic.gif" -> "images/__pic.gif": the file name gets the "__" prefix,
// joined to its folder with a slash. An invalid UTF-8 reference comes back
// unchanged.
std::string PrefixFileName(const std::string& reference);
