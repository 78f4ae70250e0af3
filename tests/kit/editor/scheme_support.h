// Shared helpers of the scheme and parser tests: documents with a scheme pair, the device
// editor's schemes, and token dumps.
#pragma once
#include <string>
#include <vector>

#include "kit/editor/device_schemes.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/parser_facade.h"
#include "kit/editor/scheme_collections.h"

namespace zv {

inline TKitString U(const std::string& S) {
  TKitString out;
  for (unsigned char c : S) out.push_back(c);
  return out;
}

inline std::string N(const TKitString& S) {
  std::string out;
  for (char16_t c : S) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// Registers the classes of a device description with the scheme registry (once).
void RegisterDeviceClasses();

// A document with the text and the parser loaded with the pair (syntax document named
// "syntax", colour document "colors").
struct TSchemeDoc {
  TKitEditDocument Doc;
  TSchemeDoc(const std::string& AColors, const std::string& ASyntax, const TKitString& AText);
  TKitEditParser& Parser() { return static_cast<TKitEditParser&>(Doc.GetParser()); }
  TParserImpl& Impl() { return Parser().Impl(); }
  // "token:text" for every token of the line.
  std::vector<std::string> Tokens(int ALine);
  // The token name of the first token that covers the text's column.
  std::string TokenAt(int ALine, int ACol);
};

// The four-token colour scheme of the device editor.
std::string DeviceColors();

}  // namespace zv
