// The page's references to picture files of its own folder: <img src>, SVG
// <image href>, background attributes, and url(...) in style attributes and
// <style> sheets; and the other files the system renderer would read.
#pragma once

#include "html_tokens.h"
#include "piece_writer.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The file inside `folder` (resolved, links followed) that a reference as
// written in the page names; empty when it names anything else: another
// server, a file outside the folder, nothing that exists.
std::filesystem::path ResolvePicture(std::string_view reference, const std::filesystem::path& folder);

// What a reference becomes that names something at a path of this machine
// the system renderer must not open: it shows as a picture that failed to
// load, and nothing is read for it.
inline constexpr std::string_view kUnreadableReference = "data:,";

// True when `reference` names a path inside `folder` (where the system
// renderer may read) at which something exists that is not a regular file
// inside it: a FIFO (which would hold the system renderer up for good), a
// device, a socket, a folder, or a link that leads out. `folder` is a
// resolved path.
bool NamesUnreadable(std::string_view reference, const std::filesystem::path& folder);

// Every file inside `folder` that the page refers to as a picture, once each.
std::vector<std::filesystem::path> FindPictureFiles(const std::vector<HtmlToken>& tokens,
                                                    const std::filesystem::path& folder);

// Edits that point every reference to a file of `replacements` at the
// reference given for it, and every reference the system renderer would
// read (pictures, style sheets, frames, media) that NamesUnreadable at
// kUnreadableReference; `page` is the text `tokens` were read from.
std::vector<TextEdit> RedirectPictures(std::string_view page, const std::vector<HtmlToken>& tokens,
                                       const std::filesystem::path& folder,
                                       const std::map<std::filesystem::path, std::string>& replacements);
