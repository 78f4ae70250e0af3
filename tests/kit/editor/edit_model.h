// A plain model of a document's text and of the line breaks its index must show, for the
// model-based tests and the fuzz target. The index pairs a CR with an LF only when both
// were scanned together (one inserted text, or an LF inserted right after a single CR);
// a deletion that brings a CR and an LF together leaves two line breaks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kit/editor/edit_document.h"

namespace zv::test {

class EditModel {
 public:
  enum Kind : uint8_t { kText, kSingle, kPairCR, kPairLF };

  const std::u16string& Text() const { return text_; }

  // An edit as the line index takes it.
  void RawInsert(int p, const std::u16string& s) {
    std::vector<uint8_t> kinds(s.size(), kText);
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') {
        kinds[i] = kPairCR;
        kinds[++i] = kPairLF;
      } else if (s[i] == u'\r' || s[i] == u'\n') {
        kinds[i] = kSingle;
      }
    }
    if (p > 0 && !s.empty() && s[0] == u'\n' && text_[p - 1] == u'\r') {
      kinds_[p - 1] = kPairCR;
      kinds[0] = kPairLF;
    }
    text_.insert(static_cast<size_t>(p), s);
    kinds_.insert(kinds_.begin() + p, kinds.begin(), kinds.end());
  }
  void RawDelete(int p, int n) {
    text_.erase(static_cast<size_t>(p), static_cast<size_t>(n));
    kinds_.erase(kinds_.begin() + p, kinds_.begin() + p + n);
  }

  // An edit of the document: one that would cut a CR LF pair takes the pair whole.
  void Insert(int p, const std::u16string& s) {
    if (s.empty()) return;
    if (p >= 1 && p < Len() && text_[p - 1] == u'\r' && text_[p] == u'\n') {
      RawDelete(p - 1, 2);
      RawInsert(p - 1, u"\r");
      RawInsert(p, s);
      RawInsert(p + static_cast<int>(s.size()), u"\n");
    } else {
      RawInsert(p, s);
    }
  }
  void Delete(int p, int n) {
    if (n == 0) return;
    const bool startsOnLF = p >= 1 && text_[p] == u'\n' && text_[p - 1] == u'\r';
    const bool endsOnCR = text_[p + n - 1] == u'\r' && p + n < Len() && text_[p + n] == u'\n';
    const int from = startsOnLF ? p - 1 : p;
    RawDelete(from, (endsOnCR ? p + n + 1 : p + n) - from);
    if (startsOnLF) RawInsert(from, u"\r");
    if (endsOnCR) RawInsert(startsOnLF ? from + 1 : from, u"\n");
  }
  // The breaks a full rebuild finds.
  void Rescan() {
    const std::u16string t = text_;
    text_.clear();
    kinds_.clear();
    RawInsert(0, t);
  }

  int Len() const { return static_cast<int>(text_.size()); }
  // The packed entries the index must hold.
  std::vector<uint32_t> Entries() const {
    std::vector<uint32_t> e;
    for (size_t i = 0; i < kinds_.size(); ++i) {
      if (kinds_[i] == kSingle) e.push_back(static_cast<uint32_t>(i));
      if (kinds_[i] == kPairCR) e.push_back(static_cast<uint32_t>(i) | TLineManager::PairBit);
    }
    e.push_back(static_cast<uint32_t>(text_.size()));
    return e;
  }

 private:
  std::u16string text_;
  std::vector<uint8_t> kinds_;
};

inline std::vector<uint32_t> IndexEntries(const TLineManager& lines) {
  std::vector<uint32_t> e;
  for (int i = 0; i < lines.Count(); ++i) e.push_back(lines.Entry(i));
  return e;
}

// Empty when the entries describe the text: every CR and LF is one line end (a pair bit
// only on a CR before an LF), nothing else is, and the last entry is the text length.
inline std::string IndexMismatch(const std::vector<uint32_t>& entries, const std::u16string& text) {
  size_t pos = 0;
  auto plain = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (text[i] == u'\r' || text[i] == u'\n') return false;
    return true;
  };
  for (size_t k = 0; k + 1 < entries.size(); ++k) {
    const size_t e = entries[k] & TLineManager::EndMask;
    const bool pair = (entries[k] & TLineManager::PairBit) != 0;
    if (e < pos || e >= text.size() || !plain(pos, e) || (text[e] != u'\r' && text[e] != u'\n'))
      return "bad line end " + std::to_string(k);
    if (pair && (text[e] != u'\r' || e + 1 >= text.size() || text[e + 1] != u'\n'))
      return "bad pair " + std::to_string(k);
    pos = e + (pair ? 2 : 1);
  }
  if (entries.empty() || entries.back() != text.size() || !plain(pos, text.size())) return "bad last line";
  return {};
}

}  // namespace zv::test
