// Constants shared by the compiler and the matcher of the regular-expression engine.
#pragma once

namespace zv::regex_detail {

// Modifier bits.
constexpr int MaskModI = 1;
constexpr int MaskModS = 4;
constexpr int MaskModG = 8;
constexpr int MaskModM = 16;
constexpr int MaskModX = 32;
constexpr int MaskModA = 64;
constexpr int MaskModC = 128;
// Set while compiling the content of a (?: or (?= group.
constexpr int MaskNoCapture = 256;

// Flags of a parsed item: cannot match empty, matches exactly one code, starts with a
// repetition.
constexpr int flHasWidth = 1;
constexpr int flSimple = 2;
constexpr int flSpStart = 4;

// {n,} and the counted loops of *?, +?.
constexpr int kBracesInfinity = 2147483646;
// *, + on a single code.
constexpr int kRepeatInfinity = 2147483647;
constexpr int kLoopStackMax = 20;
constexpr int kSubExpMax = 16;
// Group nesting the recursive compiler accepts (error 101 beyond).
constexpr int kMaxNesting = 200;

}  // namespace zv::regex_detail
