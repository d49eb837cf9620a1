// Checks made on a file before libmobi is trusted with it: whether it is a
// MOBI book at all, and whether what its header says about its text agrees
// with the records the file holds (libmobi sizes its buffers from the header).
#pragma once

#include <mobi.h>

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

// True when the file starts like a Palm database of a MOBI or PalmDOC book.
// Reads from the start of `file` and leaves its position there.
bool HasMobiSignature(std::FILE* file);

// True when every record the file's list names starts after the one before
// it and inside the file: libmobi takes the distance to the next record as
// a record's size, which would otherwise wrap round to gigabytes.
// Reads from the start of `file` and leaves its position there; false
// with a reason in plain words.
bool RecordListFits(std::FILE* file, std::string& reason);

// The most bytes the book's text records can decompress to, judged by the
// records themselves (their number and sizes as they are in the file), not
// by the header's claims alone. Nothing, with a reason in plain words, when
// the header names text records the file does not have or more text than
// they can hold.
std::optional<std::size_t> TextCapacity(const MOBIData* data, std::string& reason);
