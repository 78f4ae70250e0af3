#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit/editor/edit_document.h"
#include "kit/editor/edit_model.h"
#include "kit/editor/recording_listener.h"
#include "kit/text/helpers.h"
#include "kit/text/sys_info.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::RecordingListener;
using Log = std::vector<std::string>;
using Bytes = std::string;

TKitString Text(TKitEditDocument& doc) { return KitSeqToStr(doc.Chars()); }

TKitByteArray ToArray(const Bytes& b) { return TKitByteArray(b.begin(), b.end()); }

// The text a one-shot decoding of the whole file gives: what loading in passes must equal.
TKitString DecodeWhole(int codePage, const Bytes& b) {
  TKitWideCharArray units;
  TKitEncoding::GetEncoding(codePage)->ReadBuffer(units, ToArray(b));
  return TKitString(units.begin(), units.end());
}

void Load(TKitEditDocument& doc, const Bytes& b, int codePage) {
  TKitMemoryStream s(ToArray(b));
  doc.LoadFromStream(s, codePage);
}

Bytes Save(TKitEditDocument& doc) {
  TKitMemoryStream s;
  doc.SaveToStream(s);
  return Bytes(s.Data().begin(), s.Data().end());
}

const Bytes kBOM8 = "\xEF\xBB\xBF";
// The loader reads files in passes of this many bytes.
constexpr size_t kPass = 64 * 1024;
Bytes As(size_t n) { return Bytes(n, 'a'); }

class LoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("kit_editor_loading_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  TKitString Path(const std::string& name) const { return KitFromPlatformText((dir_ / name).string()); }
  void Write(const std::string& name, const Bytes& b) const {
    std::ofstream(dir_ / name, std::ios::binary) << b;
  }
  Bytes Read(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  std::filesystem::path dir_;
};

// Files that come back byte for byte through a load and a save in their code page, in
// particular characters cut by the pass boundary (behind a mark or not).
TEST_F(LoadingTest, FilesRoundTripByteForByte) {
  const Bytes upTo3 = As(kPass - 3), upTo2 = As(kPass - 2), upTo1 = As(kPass - 1);
  const Bytes euro = "\xE2\x82\xAC", face = "\xF0\x9F\x98\x80";
  Bytes utf16beUpTo2;
  for (size_t i = 0; i < kPass / 2 - 1; ++i) utf16beUpTo2 += Bytes("\0a", 2);
  struct Row {
    const char* name;
    int codePage;
    Bytes file;
    bool preamble;
  } rows[] = {
      {"utf8 plain", 65001, "line 1\r\nline \xC3\xA9\r\n", false},
      {"utf8 with mark", 65001, kBOM8 + "line 1\r\nline \xC3\xA9", true},
      {"3 bytes across the boundary", 65001, upTo2 + euro + "\r\nend", false},
      {"4 bytes across the boundary", 65001, upTo3 + face + face + "\n", false},
      {"boundary behind the mark", 65001, kBOM8 + As(kPass - 4) + euro + "z", true},
      {"cut after the mark", 65001, kBOM8 + upTo1 + face, true},
      {"mixed line breaks", 65001, "a\rb\nc\r\nd\n\r", false},
      {"utf16le with mark", 1200, Bytes("\xFF\xFE" "a\0\r\0\n\0\x3D\xD8\x00\xDE", 12), true},
      {"utf16be pair across the boundary", 1201, utf16beUpTo2 + Bytes("\xD8\x3D\xDE\x00\0B", 6), false},
      {"utf32le", 12000, Bytes("\x00\xF6\x01\x00\x0A\x00\x00\x00", 8), false},
      {"ansi", 0, "caf\xE9\r\n\x80 \xFF", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Write("in.txt", r.file);
    TKitEditDocument doc;
    doc.Insert(0, u"old");
    doc.LoadFromFile(Path("in.txt"), r.codePage);
    EXPECT_EQ(doc.CodePage(), r.codePage);
    EXPECT_EQ(doc.CodePageUsePreamble(), r.preamble);
    EXPECT_EQ(Text(doc), DecodeWhole(r.codePage, r.file));
    EXPECT_EQ(Text(doc).find(u'\uFEFF'), TKitString::npos);
    EXPECT_TRUE(test::IndexMismatch(test::IndexEntries(doc.LineIndex()), Text(doc)).empty());
    EXPECT_FALSE(doc.Modified());
    doc.SaveToFile(Path("out.txt"));
    EXPECT_EQ(Read("out.txt"), r.file);
  }
}

TEST_F(LoadingTest, LineBreaksAndTheLastLineAreKept) {
  TKitEditDocument doc;
  Load(doc, "a\rb\nc\r\nd\r\n", 65001);
  EXPECT_EQ(doc.LinesCount(), 5);
  const TKitLineSeparator kinds[] = {lsCR, lsLF, lsCRLF, lsCRLF};
  for (int line = 0; line < 4; ++line) {
    TKitLineSeparator kind;
    ASSERT_TRUE(doc.GetLineEndKind(line, kind));
    EXPECT_EQ(kind, kinds[line]);
  }
  EXPECT_EQ(doc.GetLine(4).Count, 0);
}

// The line index of a loaded text is built by scanning it window by window: a pair, a lone
// CR or an LF at every place around the ends of the windows is found as it is.
TEST_F(LoadingTest, LineBreaksAcrossTheScanWindowsAreIndexed) {
  for (int k = 490; k < 1040; ++k) {
    const Bytes file = Bytes(static_cast<size_t>(k), 'a') + "\r\nb\rc\nd\r\r\n" + Bytes(static_cast<size_t>(k), 'e') + "\r";
    TKitEditDocument doc;
    Load(doc, file, 65001);
    ASSERT_EQ(doc.LinesCount(), 7) << k;
    ASSERT_EQ(test::IndexMismatch(test::IndexEntries(doc.LineIndex()), Text(doc)), "") << k;
  }
}

// The mark counts only as the file's first bytes; met anywhere else, at a pass boundary
// too, it is a character of the text.
TEST_F(LoadingTest, AMarkIsTakenOnlyAtTheStartOfTheFile) {
  const Bytes head = As(kPass);
  TKitEditDocument doc;
  Load(doc, head + kBOM8 + "b", 65001);
  EXPECT_FALSE(doc.CodePageUsePreamble());
  EXPECT_EQ(Text(doc), KitFromPlatformText(head) + u"\uFEFFb");

  Load(doc, kBOM8 + As(kPass - 3) + kBOM8, 65001);
  EXPECT_TRUE(doc.CodePageUsePreamble());
  EXPECT_EQ(Text(doc), KitFromPlatformText(As(kPass - 3)) + u"\uFEFF");
  EXPECT_EQ(Save(doc), kBOM8 + As(kPass - 3) + kBOM8);

  // A mark of another code page is no mark: its bytes are text.
  Load(doc, kBOM8 + "x", 1252);
  EXPECT_FALSE(doc.CodePageUsePreamble());
  EXPECT_EQ(Text(doc), u"\u00EF\u00BB\u00BFx");
}

// Invalid bytes become replacement characters one by one; the bytes behind them, in the
// next pass too, decode exactly as they would in one piece.
TEST_F(LoadingTest, InvalidBytesNeverShiftTheStream) {
  const Bytes upTo1 = As(kPass - 1);
  const Bytes files[] = {
      upTo1 + "\xE2\x82" "bcd",          // a character cut short at the boundary
      As(kPass - 2) + "\xFF\xC3\xA9z",  // an invalid byte before one across it
      upTo1 + "\xF0\x9F\x98",            // a cut character at the end of the file
      "\xC3" + Bytes(kPass + 1000, '\x80') + "\xE2\x82\xACok",
      upTo1 + "\xED\xA0\x80x",           // an encoded surrogate
  };
  for (const Bytes& f : files) {
    TKitEditDocument doc;
    Load(doc, f, 65001);
    const TKitString whole = DecodeWhole(65001, f);
    EXPECT_EQ(Text(doc), whole);
    EXPECT_NE(whole.find(u'\uFFFD'), TKitString::npos);
  }
  // Multi-byte and stateful code pages through the platform converter.
  const Bytes sjis = As(kPass - 1) + "\x82\xA0\x82\xA2";
  const Bytes jis = "\x1B$B" + Bytes(kPass - 4, '\x30') + "\x30\x21\x1B(Bok";
  for (auto [codePage, f] : {std::pair{932, sjis}, std::pair{50220, jis}}) {
    TKitEditDocument doc;
    Load(doc, f, codePage);
    EXPECT_EQ(Text(doc), DecodeWhole(codePage, f));
  }
}

// A stream that fails part way: by raising, or by ending before its size as a file stream
// does when a read fails.
class BrokenStream : public TKitMemoryStream {
 public:
  BrokenStream(const Bytes& b, int64_t failAt, bool raise)
      : TKitMemoryStream(ToArray(b)), failAt_(failAt), raise_(raise) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t left = failAt_ - Position();
    if (left <= 0) {
      if (raise_) throw EReadError("Stream read error");
      return 0;
    }
    return TKitMemoryStream::Read(buffer, std::min(count, left));
  }

 private:
  int64_t failAt_;
  bool raise_;
};

// A load that cannot read or decode the file raises EKitEditDocError and changes nothing:
// text, modified state, undo history and limit, code page, markers, no notification.
TEST_F(LoadingTest, AFailedLoadLeavesTheDocumentAsItWas) {
  TKitEditDocument doc;
  doc.SetCodePage(65001);
  doc.SetUndoLimit(7);
  doc.Insert(0, u"keep\r\nme");
  doc.Bookmarks()->CreateLineMark(1);
  Log log;
  RecordingListener view(log, "v");
  doc.Internal().AddListener(&view);
  doc.OnDocChanged = [&](TObject*, TKitDocStatusChanges) { log.push_back("OnDocChanged"); };

  const Bytes big(5000, 'x');
  BrokenStream raising(big, 3000, true), short_(big, 3000, false);
  TKitMemoryStream oddUtf16(ToArray("\x41")), unknown(ToArray("\x41"));
  const std::pair<std::string, std::function<void()>> failures[] = {
      {"Cannot open file " + KitToPlatformText(Path("missing.txt")), [&] { doc.LoadFromFile(Path("missing.txt")); }},
      {"Stream read error", [&] { doc.LoadFromStream(raising); }},
      {"Stream read error", [&] { doc.LoadFromStream(short_); }},
      {"Windows conversion function returned error: ERROR_NO_UNICODE_TRANSLATION",
       [&] { doc.LoadFromStream(oddUtf16, 1200); }},
      {"Windows conversion function returned error: ERROR_INVALID_PARAMETER",
       [&] { doc.LoadFromStream(unknown, 99999); }},
  };
  for (const auto& [message, load] : failures) {
    SCOPED_TRACE(message);
    try {
      load();
      ADD_FAILURE() << "loaded";
    } catch (const EKitEditDocError& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(Text(doc), u"keep\r\nme");
    EXPECT_TRUE(doc.Modified());
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_EQ(doc.UndoLimit(), 7);
    EXPECT_EQ(doc.CodePage(), 65001);
    EXPECT_EQ(doc.Bookmarks()->get_Count(), 1);
    EXPECT_EQ(log, Log{});
  }
  doc.Undo();
  EXPECT_EQ(Text(doc), u"");
  EXPECT_FALSE(doc.Modified());
  doc.Internal().RemoveListener(&view);
}

// Refusals come before anything changes; a refused deletion of the old text (markers
// locked) keeps the undo history too.
TEST_F(LoadingTest, RefusalsChangeNothing) {
  TKitEditDocument doc;
  doc.Insert(0, u"abc");
  doc.CreateCustomMarkers(false, false, true)->CreateMark(1);
  const Bytes file = "new";
  struct Row {
    const char* message;
    std::function<void()> lock, unlock;
  } rows[] = {
      {"Document is read-only", [&] { doc.SetReadOnly(true); }, [&] { doc.SetReadOnly(false); }},
      {"This method is prohibited while document in compound edit", [&] { doc.BeginCompoundEdit(false); },
       [&] { doc.EndCompoundEdit(false); }},
      {"Document is locked for changes", [&] { doc.Internal().LockChanges(); },
       [&] { doc.Internal().UnlockChanges(); }},
      {"Document markers are locked for changes", [&] { doc.Internal().LockMarkers(); },
       [&] { doc.Internal().UnlockMarkers(); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.message);
    r.lock();
    EXPECT_EQ(ErrorOf([&] { Load(doc, file, 65001); }), r.message);
    r.unlock();
    EXPECT_EQ(Text(doc), u"abc");
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.CodePage(), 0);
  }
}

TEST_F(LoadingTest, ALoadIsOneRefresh) {
  TKitEditDocument doc;
  Log log;
  doc.OnDocChanged = [&](TObject*, TKitDocStatusChanges c) { log.push_back("OnDocChanged " + std::to_string(c)); };
  doc.SetUndoLimit(5);
  doc.Insert(0, u"old\r\ntext");
  doc.Bookmarks()->CreateLineMark(1);
  RecordingListener view(log, "v"), custom(log, "c");
  doc.Internal().AddListener(&view);
  doc.AddListener(&custom);
  log.clear();
  Load(doc, kBOM8 + "a\nb", 65001);
  EXPECT_EQ(log, (Log{"c:BeforeMarkChange", "v:BeforeMarkChange", "c:MarksDeleting 1", "v:MarksDeleting 1",
                      "v:AfterMarkChange", "c:AfterMarkChange", "v:User", "c:User", "c:BeforeDelete(0,9)",
                      "v:BeforeDelete(0,9)", "v:AfterDelete(0,9)", "c:AfterDelete(0,9)", "v:User", "c:User",
                      "c:BeforeRefresh", "v:BeforeRefresh", "v:AfterRefresh", "c:AfterRefresh", "v:User", "c:User",
                      "OnDocChanged " + std::to_string(dcDelete | dcMarkersDeleted | dcCodePagePropsChanged |
                                                       dcModifiedPropertyChanged)}));
  EXPECT_EQ(Text(doc), u"a\nb");
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(doc.UndoLimit(), 5);
  EXPECT_EQ(doc.CodePage(), 65001);
  EXPECT_TRUE(doc.CodePageUsePreamble());
  doc.Internal().RemoveListener(&view);
  doc.RemoveListener(&custom);
}

TEST_F(LoadingTest, AutodetectionTakesTheFilesEncoding) {
  struct Row {
    Bytes file;
    int codePage;
    bool preamble;
    TKitString text;
  } rows[] = {
      {Bytes("\xFF\xFE" "a\0", 4), 1200, true, u"a"},
      {Bytes("\xFE\xFF\0b", 4), 1201, true, u"b"},
      {kBOM8 + "c", 65001, true, u"c"},
      {"caf\xC3\xA9", 65001, false, u"caf\u00E9"},
      {"caf\xE9", 1252, false, u"caf\u00E9"},  // not UTF-8: the default
      {"plain", 1252, false, u"plain"},
  };
  for (const Row& r : rows) {
    TKitEditDocument doc;
    TKitMemoryStream s(ToArray(r.file));
    doc.LoadFromStream(s, 1252, true);
    EXPECT_EQ(doc.CodePage(), r.codePage);
    EXPECT_EQ(doc.CodePageUsePreamble(), r.preamble);
    EXPECT_EQ(Text(doc), r.text);
  }
}

// A file that is not valid UTF-8 loads whole in the fallback code page, where every byte
// is a character, and an edit elsewhere in it saves every other byte back as it came;
// valid UTF-8, with or without the mark, stays UTF-8. The bad bytes may lie far behind
// the first pass, or cut a character at the end.
TEST_F(LoadingTest, AFileThatIsNotUTF8LoadsInTheFallbackAndSavesBackByteForByte) {
  const Bytes far(200'000, 'a');
  struct Row {
    const char* name;
    Bytes head;  // before the edit
    Bytes tail;  // behind it
    int codePage;
    bool preamble;
  } rows[] = {
      {"windows-1252 comment", "<a>\r\n", "  <!-- K\xE4se \x80 \x81\x8D\x8F\x90\x9D -->\r\n</a>", 1252, false},
      {"bad byte far behind", "<a>\n", far + "\xFC\n", 1252, false},
      {"cut at the end", "x", "\xC3", 1252, false},
      {"encoded surrogate", "x", "\xED\xA0\x80", 1252, false},
      {"mark, then bad bytes", kBOM8 + "x", "\xE9", 1252, false},
      {"utf8", "<a>\r\n", "  <!-- K\xC3\xA4se \xE2\x82\xAC \xF0\x9F\x98\x80 -->\r\n", 65001, false},
      {"utf8 with mark", kBOM8 + "<a>", "\xC3\xA4" + far, 65001, true},
      {"empty", "", "", 65001, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Write("in.txt", r.head + r.tail);
    TKitEditDocument doc;
    doc.SetCodePage(65001);
    doc.LoadFromFileWithFallback(Path("in.txt"), 65001, 1252);
    EXPECT_EQ(doc.CodePage(), r.codePage);
    EXPECT_EQ(doc.CodePageUsePreamble(), r.preamble);
    EXPECT_EQ(Text(doc).find(u'\uFFFD'), TKitString::npos);
    const Bytes mark = r.preamble ? kBOM8 : Bytes();
    doc.Insert(static_cast<int>(r.head.size() - mark.size()), u"!");
    doc.SaveToFile(Path("out.txt"));
    EXPECT_EQ(Read("out.txt"), r.head + "!" + r.tail);
  }
  // The code page asked for comes first again at the next load.
  TKitEditDocument doc;
  Load(doc, "\xE9", 1252);
  TKitMemoryStream utf8(ToArray("\xC3\xA9"));
  doc.LoadFromStreamWithFallback(utf8, 65001, 1252);
  EXPECT_EQ(doc.CodePage(), 65001);
  EXPECT_EQ(Text(doc), u"\u00E9");
}

TEST_F(LoadingTest, SavingMarksTheUnmodifiedPoint) {
  TKitEditDocument doc;
  doc.SetCodePage(65001);
  doc.SetCodePageUsePreamble(true);
  EXPECT_EQ(Save(doc), "");  // an empty text gets no mark either

  doc.Insert(0, u"ab");
  doc.SaveToFile(Path("a.txt"));
  EXPECT_EQ(Read("a.txt"), kBOM8 + "ab");
  EXPECT_FALSE(doc.Modified());
  doc.Insert(2, u"c");  // typing after a save is a new undo step
  doc.Undo();
  EXPECT_EQ(Text(doc), u"ab");
  EXPECT_FALSE(doc.Modified());
  doc.Undo();
  EXPECT_TRUE(doc.Modified());
  doc.Redo();

  // Another code page for one save: the document's stays.
  TKitMemoryStream s;
  doc.SaveToStream(s, 1201, false);
  EXPECT_EQ(s.Data(), ToArray(Bytes("\0a\0b", 4)));
  EXPECT_EQ(doc.CodePage(), 65001);

  // A code page that cannot encode: the old file stays whole and the text modified.
  doc.Insert(0, u"x");
  EXPECT_THROW(doc.SaveToFile(Path("a.txt"), 99999, false), EKitEncodingError);
  EXPECT_EQ(Read("a.txt"), kBOM8 + "ab");
  EXPECT_TRUE(doc.Modified());
  EXPECT_THROW(doc.SaveToFile(Path("no/such/dir.txt")), EFCreateError);
  EXPECT_TRUE(doc.Modified());
}

TEST_F(LoadingTest, CodePageProperties) {
  TKitEditDocument doc;
  EXPECT_EQ(doc.CodePage(), 0);
  EXPECT_FALSE(doc.CodePageUsePreamble());
  std::vector<TKitDocStatusChanges> changes;
  doc.OnDocChanged = [&](TObject*, TKitDocStatusChanges c) { changes.push_back(c); };
  doc.SetCodePage(65001);
  doc.SetCodePage(65001);
  doc.SetCodePageUsePreamble(true);
  doc.SetCodePageUsePreamble(true);
  EXPECT_EQ(changes, (std::vector<TKitDocStatusChanges>{dcCodePagePropsChanged, dcCodePagePropsChanged}));
  doc.SetCodePageName(u"utf-16");
  EXPECT_EQ(doc.CodePage(), 1200);
  EXPECT_EQ(changes.size(), 2u);
  doc.SetCodePage(12345);
  EXPECT_EQ(doc.CodePageName(), u"Undefined");

  // The Lines proxy loads and saves in the document's code page.
  doc.SetCodePage(1201);
  TKitMemoryStream in(ToArray(Bytes("\0x\0\n\0y", 6)));
  doc.Lines().LoadFromStream(in);
  EXPECT_EQ(doc.Lines().ToList(), (TKitStringList{u"x", u"y"}));
  TKitMemoryStream out;
  doc.Lines().SaveToStream(out);
  EXPECT_EQ(out.Data(), in.Data());
}

}  // namespace
}  // namespace zv
