// Copying the book into the work folder, the first step of a conversion.
#pragma once

#include <functional>
#include <string>

// Copies `source` to `copy`, a new name in the work folder. Only a regular
// file (or a link to one) is a book: a folder, a pipe, a device or a socket
// fails at once, without being opened in a way that could wait. No more is
// copied than the file held when the copy began, and `stopRequested` is
// asked between chunks. On failure no copy is left and `reason` tells why in
// plain words (empty when a stop ended the copy).
bool CopySourceFile(const std::wstring& source, const std::wstring& copy,
                    const std::function<bool()>& stopRequested, std::wstring& reason);
