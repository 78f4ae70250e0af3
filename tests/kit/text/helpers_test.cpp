#include "kit/text/helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "foundation/globals.h"

namespace zv {
namespace {

TEST(HelpersTest, RangesAndRectangles) {
  EXPECT_TRUE(KitInRange(5, 5, 5));
  EXPECT_FALSE(KitInRange(5, 6, 4));
  EXPECT_EQ(KitClamp(5, 10, 0), 10);
  const int32_t ints[] = {3, -7, 2};
  EXPECT_EQ(KitMinInt(ints), -7);
  const long double floats[] = {1.5L, -0.25L};
  EXPECT_EQ(KitMinFloat(floats), -0.25L);
  EXPECT_THROW(KitMinInt({}), EInvalidArgument);

  int w, h;
  KitRectSize({1, 2, 11, 7}, w, h);
  EXPECT_EQ(w, 10);
  EXPECT_EQ(h, 5);
  struct {
    TKitRect Source, Bounds, Result;
  } const fits[] = {
      {{0, 0, 100, 50}, {10, 10, 60, 60}, {10, 10, 60, 35}},
      {{0, 0, 3, 3}, {0, 0, 10, 10}, {0, 0, 10, 10}},
      {{0, 0, 3, 7}, {0, 0, 10, 10}, {0, 0, 4, 10}},  // 4.28: truncated, not rounded
      {{0, 0, 0, 50}, {5, 5, 60, 60}, {5, 5, 5, 5}},   // no width: no area, no division by zero
      {{0, 0, 0, 0}, {5, 5, 60, 60}, {5, 5, 5, 5}},
  };
  for (const auto& f : fits) {
    TKitRect r;
    KitFitRectProportional(f.Source, f.Bounds, r);
    EXPECT_EQ(r, f.Result);
  }
  EXPECT_EQ(KitPCharOrNil(u""), nullptr);
  const TKitString s = u"x";
  EXPECT_EQ(KitPCharOrNil(s), s.c_str());
}

TEST(HelpersTest, SpecialPaths) {
  EXPECT_EQ(KitGetSpecialPath(ppFixed, true), u"");
  const TKitString program = KitGetSpecialPath(ppProgram, true);
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), u'/');
  EXPECT_EQ(KitGetSpecialPath(ppProgram, false) + u"/", program);
  EXPECT_EQ(KitGetSpecialPath(ppSystem, false), u"/usr/lib");

  const auto root = std::filesystem::temp_directory_path() / ("kit_paths_" + std::to_string(getpid()));
  InitGlobals({.ConfigRoot = root.string(), .ExeFolder = {}});
  const std::string settings = SettingsFolder();
  EXPECT_EQ(KitGetSpecialPath(ppWindows, true), TKitString(settings.begin(), settings.end()));
  DoneGlobals();
  std::filesystem::remove_all(root);
}

TEST(HelpersTest, RawMemory) {
  uint8_t buf[32] = {};
  for (int i = 0; i < 32; ++i) buf[i] = static_cast<uint8_t>(i);
  TKitRawMemory m(buf);
  m.SetOffsetSize(4);
  m.SetBaseOffset(1);
  EXPECT_EQ(m.GetBytes(2), 12);
  EXPECT_EQ(m.GetWords(0), 0x0504);
  EXPECT_EQ(m.GetDWords(0), 0x07060504u);
  m.SetOffsetSize(0);
  EXPECT_EQ(m.OffsetSize(), 4);
  m.SetOffsetSize(1);
  m.SetBaseOffset(0);
  m.SetInt64(3, -2);  // unaligned, little-endian
  EXPECT_EQ(buf[3], 0xFE);
  EXPECT_EQ(buf[10], 0xFF);
  EXPECT_EQ(m.GetInt64(3), -2);
  m.SetWords(20, 0xBEEF);
  EXPECT_EQ(buf[20], 0xEF);
  EXPECT_EQ(buf[21], 0xBE);

  TKitRawMemory none;
  EXPECT_EQ(none.GetDWords(5), 0u);
  none.SetDWords(5, 1);
  EXPECT_EQ(none.Memory(), nullptr);
}

class FileStreamTest : public testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() / ("kit_files_" + std::to_string(getpid()));
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  std::string Path(const char* Name) const { return (FDir / Name).string(); }
  std::filesystem::path FDir;
};

TEST_F(FileStreamTest, CreatesWritesAndReads) {
  const std::string name = Path("a.bin");
  {
    TKitFileStream f(name, fmCreate);
    f.WriteBuffer("hello world", 11);
    EXPECT_EQ(f.Size(), 11);
    f.SetSize(5);
    EXPECT_EQ(f.Position(), 5);
  }
  {
    TKitFileStream f(TKitString(name.begin(), name.end()), fmOpenRead | fmShareDenyWrite);
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 8), 5);
    EXPECT_EQ(std::string(buf), "hello");
    EXPECT_EQ(f.Write("x", 1), 0);  // opened for reading only
  }
  {
    TKitFileStream f(TKitString(name.begin(), name.end()), 0, fmOpenReadWrite);
    f.Seek(0, TSeekOrigin::soEnd);
    f.WriteBuffer("!", 1);
  }
  std::ifstream in(name);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "hello!");
}

TEST_F(FileStreamTest, RefusalsNameTheFile) {
  const std::string missing = Path("missing.txt");
  try {
    TKitFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + missing);
  }
  EXPECT_THROW(TKitFileStream(Path("no/such/dir/x"), fmCreate), EFCreateError);
  EXPECT_THROW(TKitFileStream(FDir.string(), fmOpenRead), EFOpenError);  // a folder
  TKitFileStream(Path("b"), fmCreate);
  EXPECT_THROW(TKitFileStream(Path("b"), 3), EFOpenError);      // access value 3
  EXPECT_THROW(TKitFileStream(Path("b"), 0x50), EFOpenError);   // sharing value 5
  TKitFileStream ok(Path("b"), fmOpenRead | fmShareDenyNone);
}

TEST(HelpersTest, ReadBOM) {
  struct {
    std::vector<uint8_t> Bytes;
    TKitBOM BOM;
    int Length;
    int64_t PositionAfter;  // without peek
  } const cases[] = {
      {{0xEF, 0xBB, 0xBF, 0x41}, bomUTF8, 3, 3},
      {{0xEF, 0xBB, 0xBF}, bomUTF8, 3, 3},
      {{0x2B, 0x2F, 0x76, 0x38}, bomUTF7, 3, 0},
      {{0x00, 0x00, 0xFE, 0xFF}, bomUTF32BE, 4, 4},
      {{0xFF, 0xFE, 0x00, 0x00}, bomUTF32LE, 4, 4},  // the longer mark wins
      {{0xFF, 0xFE, 0x41, 0x00}, bomUTF16LE, 2, 2},
      {{0xFF, 0xFE, 0x00}, bomUTF16LE, 2, 2},
      {{0xFE, 0xFF}, bomUTF16BE, 2, 2},
      {{0xEF, 0xBB}, bomNone, 0, 0},  // shorter than its mark
      {{0x41, 0x42, 0x43, 0x44}, bomNone, 0, 0},
      {{}, bomNone, 0, 0},
  };
  for (const auto& c : cases) {
    for (bool peek : {false, true}) {
      std::vector<uint8_t> data{0x7A};
      data.insert(data.end(), c.Bytes.begin(), c.Bytes.end());
      TKitMemoryStream s(data);
      s.SetPosition(1);
      int length = -1;
      EXPECT_EQ(KitReadBOM(&s, length, peek), c.BOM) << testing::PrintToString(c.Bytes);
      EXPECT_EQ(length, c.Length);
      EXPECT_EQ(s.Position(), 1 + (peek ? 0 : c.PositionAfter));
    }
  }
  int length = 7;
  EXPECT_EQ(KitReadBOM(nullptr, length, false), bomNone);
  EXPECT_EQ(length, 0);
}

TEST(HelpersTest, WriteBOMRoundTrips) {
  for (TKitBOM bom : {bomUTF32BE, bomUTF32LE, bomUTF16BE, bomUTF16LE, bomUTF8}) {
    TKitMemoryStream s;
    KitWriteBOM(&s, bom);
    s.SetPosition(0);
    EXPECT_EQ(KitDetectBOM(&s, false), bom);
    EXPECT_EQ(s.Position(), s.Size());
  }
  TKitMemoryStream s;
  KitWriteBOM(&s, bomUTF7);
  KitWriteBOM(&s, bomNone);
  KitWriteBOM(nullptr, bomUTF8);
  EXPECT_EQ(s.Size(), 0);
}

template <class F>
std::string ErrorOf(F&& Fn) {
  try {
    Fn();
  } catch (const EInvalidArgument& e) {
    return e.Message();
  }
  return "none";
}

TEST(HelpersTest, CheckedCopies) {
  TKitIntArray src{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, dst(10, -1);
  struct {
    int SourceIndex, Count, DestIndex;
    const char* Error;
  } const cases[] = {
      {2, 3, 4, "none"},
      {50, 0, -50, "none"},  // count 0: nothing is checked
      {10, 1, 0, "Index out of bounds: 10"},
      {-1, 1, 0, "Index out of bounds: -1"},
      {8, 3, 0, "Invalid Count value"},
      {0, -1, 0, "Invalid Count value"},
      {0, 1, 10, "Index out of bounds: 10"},
      {0, 3, 8, "Invalid Count value"},
      {0, 2147483647, 0, "Invalid Count value"},
  };
  for (const auto& c : cases) {
    TKitIntArray d = dst;
    EXPECT_EQ(ErrorOf([&] { KitCopyIntArray(src, c.SourceIndex, d, c.Count, c.DestIndex); }), c.Error)
        << c.SourceIndex << " " << c.Count << " " << c.DestIndex;
    if (std::string(c.Error) != "none") {
      EXPECT_EQ(d, dst);  // nothing copied
    }
  }
  KitCopyIntArray(src, 2, dst, 3, 4);
  EXPECT_EQ(dst, (TKitIntArray{-1, -1, -1, -1, 2, 3, 4, -1, -1, -1}));
  KitCopyIntArray(dst, 4, dst, 3, 5);  // overlapping within one array
  EXPECT_EQ(dst, (TKitIntArray{-1, -1, -1, -1, 2, 2, 3, 4, -1, -1}));

  TKitCharArray chars(4, u'.');
  KitCopyStringToCharArray(u"hello", 2, chars, 3, 1);
  EXPECT_EQ(TKitString(chars.begin(), chars.end()), u".ell");
  EXPECT_EQ(ErrorOf([&] { KitCopyStringToCharArray(u"hello", 0, chars, 1, 0); }), "Index out of bounds: -1");
  const TKitCharArray from{u'a', u'b'};
  KitCopyCharArray(from, 0, chars, 2, 2);
  EXPECT_EQ(TKitString(chars.begin(), chars.end()), u".eab");
  EXPECT_EQ(ErrorOf([&] { KitCopyCharArray(from, 1, chars, 2, 0); }), "Invalid Count value");
}

TEST(HelpersTest, SearchAndSort) {
  const TKitIntArray a{1, 3, 7, 7, 9};
  struct {
    int32_t Value;
    int Index;
  } const searches[] = {{7, 2}, {8, -1}, {10, -1}, {1, 0}, {0, -1}, {9, 4}};
  for (const auto& s : searches) EXPECT_EQ(KitIntArrayBinarySearch(s.Value, a), s.Index) << s.Value;
  EXPECT_EQ(KitIntArrayBinarySearch(1, {}), -1);
  EXPECT_EQ(KitIntArrayLowerBound(0, 4, 8, a), 4);
  EXPECT_EQ(KitIntArrayFind(3, 4, 7, a), 3);
  EXPECT_EQ(ErrorOf([&] { KitIntArrayLowerBound(0, 5, 1, a); }), "Index out of bounds: 5");

  TKitIntArray b{3, 1, 2};
  KitIntArraySort(1, 2, b);
  EXPECT_EQ(b, (TKitIntArray{3, 1, 2}));
  KitIntArraySort(0, 2, b);
  EXPECT_EQ(b, (TKitIntArray{1, 2, 3}));
  EXPECT_EQ(ErrorOf([&] { KitIntArraySort(-1, 2, b); }), "Index out of bounds: -1");
  TKitIntArray empty;
  EXPECT_EQ(ErrorOf([&] { KitIntArraySort(0, 0, empty); }), "Index out of bounds: 0");
}

}  // namespace
}  // namespace zv
