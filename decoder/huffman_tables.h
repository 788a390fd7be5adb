// The Huffman code tables of Layer III in the standard's own form.
#pragma once

#include <cstdint>

namespace ulx3 {

struct HuffmanCode {
    const uint16_t* codes;    // right-aligned codewords, x-major (quadruple tables: v w x y)
    const uint8_t* lengths;   // codeword lengths in bits
    int size;                 // values per coordinate (pair tables) or 4 (quadruple tables)
    int linbits;              // extra bits after the escape value 15
};

// 0..31 the big-value tables (entries 0, 4 and 14 have no codes), 32 and 33 the count1 tables.
extern const HuffmanCode kHuffmanCodes[34];

} // namespace ulx3
