// PalmDOC compression (the LZ77 variant of Mobipocket text records).
#pragma once

#include <span>
#include <vector>

// Compresses one text record (at most 4096 bytes in a book, though any
// length works). Every byte value round-trips.
std::vector<unsigned char> CompressPalmDoc(std::span<const unsigned char> text);
