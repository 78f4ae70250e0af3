// Indented text writer of the XML form: two blanks per level, CR LF line ends.
#pragma once
#include <string>
#include <string_view>

namespace zv {

class TScriptStream {
 public:
  bool LineNotEmpty = false;
  int Indent = 0;

  void Emit(std::string_view s) {
    if (!LineNotEmpty && Indent > 0) FText.append(static_cast<size_t>(Indent) * 2, ' ');
    FText.append(s);
    LineNotEmpty = true;
  }
  void EmitLn(std::string_view s) {
    Emit(s);
    FText.append("\r\n");
    LineNotEmpty = false;
  }
  void XMLOpenTagLn(std::string_view tag) {
    Emit("<");
    FText.append(tag);
    FText.append(">\r\n");
    LineNotEmpty = false;
  }
  void XMLCloseTagLn(std::string_view tag) {
    Emit("</");
    FText.append(tag);
    FText.append(">\r\n");
    LineNotEmpty = false;
  }
  void XMLComment(std::string_view s) {
    Emit("<!-- ");
    FText.append(s);
    FText.append(" --> ");
  }
  const std::string& AsString() const { return FText; }
  std::string TakeString() { return std::move(FText); }
  // Raw append on the current line (the caller has emitted the indentation).
  void Append(std::string_view s) { FText.append(s); }

 private:
  std::string FText;
};

}  // namespace zv
