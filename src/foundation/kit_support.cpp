#include "foundation/kit_support.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace zv {

namespace {

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return LowerCase(a) < LowerCase(b); }
};

struct Registry {
  std::mutex mutex;
  std::set<std::string, CaseLess> names;
};

Registry& Reg() {
  static Registry r;
  return r;
}

std::string WithoutT_(const char* name) {
  std::string n = name;
  return n.rfind("T_", 0) == 0 ? n.substr(2) : n;
}

std::string WithoutT(const char* name) {
  std::string n = name;
  return !n.empty() && n[0] == 'T' ? n.substr(1) : n;
}

const char kTemplate[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r"
    "<SchemeList root='Main'>\r"
    "  <Scheme name='CloseTag' defaultToken='closeTag' inherit='OpenTag'>\r"
    "  </Scheme>\r"
    "  <Scheme name='FullTag' defaultToken='fullTag' inherit='OpenTag'>\r"
    "  </Scheme>\r"
    "  <Scheme name='Comment' defaultToken='comment'>\r"
    "  </Scheme>\r"
    "  <Scheme name='String' defaultToken='string'>\r"
    "  </Scheme>\r"
    "  <Scheme name='Main' defaultToken='default' keywordsIgnoreCase='false'>\r"
    "    <Regex innerScheme='FullTag' priority='15'>&lt; .*? /&gt;</Regex>\r"
    "    <Regex innerScheme='OpenTag' innerContentGroup='1' priority='10'>&lt; ([\\w_]+).*?&gt;</Regex>\r"
    "    <Regex innerScheme='CloseTag' innerContentGroup='1' priority='10'>&lt; / ([\\w_]+).*?&gt;</Regex>\r"
    "    <RegexBlock start='\\(\\*' end='\\*\\)' end_token0='comment' priority='20' innerScheme='Comment'/>\r"
    "    <Regex innerScheme='Comment'>//.*$</Regex>\r"
    "//SYNTAX_BLOCKS\r"
    "  </Scheme>\r"
    "  <Scheme name='OpenTag' defaultToken='openTag'>\r"
    "    <Regex innerScheme='String' priority='5'>&quot; .*? &quot;</Regex>\r"
    "    <KeywordRegex>\\b[a-z_A-Z0-9]+\\b</KeywordRegex>\r"
    "    <Keywords>\r"
    "// KEYWORDS\r"
    "    </Keywords>\r"
    "  </Scheme>\r"
    "</SchemeList>\r";

}  // namespace

const char* TKitSupport::SchemeTemplate() { return kTemplate; }

void TKitSupport::AddSequenceClass(const TypeInfo& sequenceClass) {
  std::lock_guard lock(Reg().mutex);
  Reg().names.insert(WithoutT_(sequenceClass.name));
}

void TKitSupport::AddArrayClass(const TypeInfo& arrayClass, const TypeInfo& elementClass) {
  std::lock_guard lock(Reg().mutex);
  Reg().names.insert(WithoutT_(arrayClass.name));
  Reg().names.insert(WithoutT(elementClass.name));
}

void TKitSupport::AddTypeTable(const TypeTable& table) {
  for (size_t i = 0; i < table.count; ++i) {
    const TypeInfo& t = *table.types[i];
    if (t.flags & tfRegisterSequence) AddSequenceClass(t);
    if (t.family == Family::SequenceOf) AddArrayClass(t, *t.elemType);
  }
}

void TKitSupport::Filter() {
  std::lock_guard lock(Reg().mutex);
  auto& names = Reg().names;
  for (auto it = names.begin(); it != names.end();) {
    if (!it->empty() && (*it)[0] == '_' && !names.count(it->substr(1))) it = names.erase(it);
    else ++it;
  }
}

std::vector<std::string> TKitSupport::RegisteredClassNames() {
  std::lock_guard lock(Reg().mutex);
  return {Reg().names.begin(), Reg().names.end()};
}

void TKitSupport::Clear() {
  std::lock_guard lock(Reg().mutex);
  Reg().names.clear();
}

std::vector<std::string> TKitSupport::GetKitSchema() {
  Filter();
  std::vector<std::string> lines;
  std::string_view t = kTemplate;
  size_t start = 0;
  while (start < t.size()) {
    size_t end = t.find('\r', start);
    if (end == std::string_view::npos) end = t.size();
    lines.emplace_back(t.substr(start, end - start));
    start = end + 1;
  }
  auto find = [&](const char* marker) {
    auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(marker, 0) == 0; });
    ZV_ASSERT(it != lines.end());
    size_t k = static_cast<size_t>(it - lines.begin());
    lines.erase(it);
    return k;
  };
  std::vector<std::string> names = RegisteredClassNames();
  size_t k = find("// KEYWORDS");
  std::vector<std::string> keywords;
  for (int i = 0; i < xml_zDummy; ++i) keywords.push_back("      " + std::string(XMLIdNames[i]));
  // The last two ids only close the keyword list; they are never composite elements.
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) {
                               return n == XMLIdNames[xml_zDummy] || n == XMLIdNames[xmlDummy];
                             }),
              names.end());
  lines.insert(lines.begin() + static_cast<ptrdiff_t>(k), keywords.begin(), keywords.end());
  k = find("//SYNTAX_BLOCKS");
  std::vector<std::string> blocks;
  for (const auto& e : names) {
    blocks.push_back("    <SyntaxBlock capture=\"true\">");
    blocks.push_back("    <Start>openTag:" + e + "</Start>");
    blocks.push_back("    <End>closeTag:" + e + "</End>");
    blocks.push_back("    </SyntaxBlock>");
    blocks.push_back("");
  }
  lines.insert(lines.begin() + static_cast<ptrdiff_t>(k), blocks.begin(), blocks.end());
  return lines;
}

}  // namespace zv
