// Block and stream compression: the library's own LZRW1-style block coder (method 0: one
// hash probe per position, 12-bit offsets, and a run item for 16 or more equal bytes),
// zlib blocks (method 1), and a length-prefixed stream format built on either:
//   total (4 bytes, little-endian: the sum of 4 + block length over the blocks)
//   then per block: length (4 bytes, little-endian) and the block's bytes.
// Source blocks are 32781 bytes for method 0 and 32767 bytes for method 1.
#pragma once
#include <cstdint>

#include "kit/text/kit_types.h"
#include "kit/text/stream.h"

namespace zv {

// The largest source block of one LZRW1 block, and of one zlib block in a stream.
constexpr int KitLZRW1BlockSize = 32781;
constexpr int KitZBlockSize = 32767;
// While coding, the LZRW1 output may pass Count by this much before the stored form
// replaces it: the destination must hold Count + KitLZRW1Slack bytes.
constexpr int KitLZRW1Slack = 6;

// Compresses Count (at most KitLZRW1BlockSize) bytes; answers the block's length, at most
// Count + 1 (flag 80 hex and the bytes unchanged when coding would not make them smaller).
int KitLZRW1Compress(const uint8_t* Source, uint8_t* Dest, int Count);
// Restores a block of Length bytes into Dest, which holds DestCapacity bytes; answers the
// bytes restored. A malformed block (an item past its end, a copy from before the output's
// start, output beyond the capacity or KitLZRW1BlockSize) raises Exception "LZRW Error!".
int KitLZRW1Decompress(const uint8_t* Block, uint8_t* Dest, int Length, int DestCapacity);

// zlib at level 9 into Dest (used as the first output room when not empty); Dest ends
// holding exactly the stream; answers its length. zlib failures raise Exception
// "Compression error " and the zlib code.
int KitZCompressBlock(const uint8_t* Source, TKitByteArray& Dest, int Count);
// Restores a zlib stream of Count bytes into Dest (resized to the output); answers the
// output length. Output beyond MaxOutput (when not negative) is malformed input and raises
// "Compression error -3"; a stream cut short raises "Compression error -5".
int KitZDecompressBlock(const uint8_t* Source, TKitByteArray& Dest, int Count, int64_t MaxOutput = -1);

// Writes Count bytes of Source (fewer when it ends first) in the stream format at Dest's
// position; Method 1 is zlib, any other LZRW1.
void KitCompressStream(TKitStream& Source, TKitStream& Dest, int64_t Count, int Method);
// Reads the stream format from Source and writes the restored bytes to Dest. A length that
// disagrees with the total or with what Source holds raises EReadError "Stream read error";
// a block that restores to more than its method's source block is malformed.
void KitDecompressStream(TKitStream& Source, TKitStream& Dest, int Method);

}  // namespace zv
