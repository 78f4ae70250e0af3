#include "kit/editor/syntax_blocks.h"

#include <algorithm>

#include "kit/editor/line_parser.h"

namespace zv {

namespace {

// Open blocks of one level beyond this many are not entered: a text of unmatched block
// starts must not make every saved context larger.
constexpr size_t kMaxOpenBlocks = 512;

}  // namespace

// ---- Fold tree -----------------------------------------------------------------------------

TParserTree::TParserTree() = default;

TParserNode* TParserTree::AddAsLast(TParserNode* AParent, int ALine, int AParseLine) {
  auto node = std::make_unique<TParserNode>();
  node->StartLine = ALine;
  node->Parent = AParent;
  node->CreatedLine = AParseLine;
  TParserNode* result = node.get();
  AParent->Childs.push_back(std::move(node));
  FStartsHash.emplace(ALine, result);
  ++FCount;
  CountChange(AParseLine, 1);
  return result;
}

void TParserTree::CommitLastNode(TParserNode* ANode, int AParseLine) {
  ANode->CommittedLine = AParseLine;
  FEndsHash[ANode->EndLine] = ANode;
  CountChange(AParseLine, 1);
}

void TParserTree::CountChange(int AParseLine, int ADelta) {
  const auto it = FChanges.try_emplace(AParseLine, 0).first;
  it->second += ADelta;
  if (it->second == 0) FChanges.erase(it);
}

void TParserTree::Forget(TParserNode& ANode) {
  for (auto& c : ANode.Childs) Forget(*c);
  auto s = FStartsHash.find(ANode.StartLine);
  if (s != FStartsHash.end() && s->second == &ANode) FStartsHash.erase(s);
  auto e = FEndsHash.find(ANode.EndLine);
  if (ANode.EndLine != -1 && e != FEndsHash.end() && e->second == &ANode) FEndsHash.erase(e);
  CountChange(ANode.CreatedLine, -1);
  if (ANode.CommittedLine != -1) CountChange(ANode.CommittedLine, -1);
  --FCount;
}

void TParserTree::Reopen(TParserNode& ANode) {
  auto e = FEndsHash.find(ANode.EndLine);
  if (e != FEndsHash.end() && e->second == &ANode) FEndsHash.erase(e);
  if (ANode.CommittedLine != -1) CountChange(ANode.CommittedLine, -1);
  ANode.EndLine = -1;
  ANode.CommittedLine = -1;
}

void TParserTree::Walk(TParserNode& ANode, int AParseLine) {
  // Children are in order of creation, so those made from the line on are a suffix; only a
  // node still open at that line can have gained children or been closed since.
  while (!ANode.Childs.empty() && ANode.Childs.back()->CreatedLine >= AParseLine) {
    Forget(*ANode.Childs.back());
    ANode.Childs.pop_back();
  }
  for (auto& c : ANode.Childs)
    if (c->EndLine == -1 || c->CommittedLine >= AParseLine) Walk(*c, AParseLine);
  if (&ANode != &FRoot && ANode.EndLine != -1 && ANode.CommittedLine >= AParseLine) Reopen(ANode);
}

void TParserTree::KillFrom(int AParseLine) {
  if (AParseLine <= 0) {
    Clear();
    return;
  }
  Walk(FRoot, AParseLine);
}

void TParserTree::Clear() {
  FRoot.Childs.clear();
  FStartsHash.clear();
  FEndsHash.clear();
  FChanges.clear();
  FCount = 0;
}

TParserNode* TParserTree::LineStartToNode(int ALine) const {
  const auto it = FStartsHash.find(ALine);
  return it == FStartsHash.end() ? nullptr : it->second;
}

TParserNode* TParserTree::LineEndToNode(int ALine) const {
  const auto it = FEndsHash.find(ALine);
  return it == FEndsHash.end() ? nullptr : it->second;
}

int TParserTree::ParentLine(int ALine) const {
  const TParserNode* node = &FRoot;
  for (;;) {
    const TParserNode* next = nullptr;
    for (auto it = node->Childs.rbegin(); it != node->Childs.rend(); ++it) {
      const TParserNode& c = **it;
      if (c.StartLine < ALine && (c.EndLine == -1 || c.EndLine >= ALine)) {
        next = &c;
        break;
      }
    }
    if (!next) break;
    node = next;
  }
  return node == &FRoot ? -1 : node->StartLine;
}

// ---- Syntax blocks in the parser ------------------------------------------------------------

void TParserImpl::ProcessSyntaxTail(int ALevel, bool AClosing) {
  if (!FBuild) return;
  TContextItem& item = FWork.Item(ALevel);
  TScheme* scheme = item.Scheme;
  if (!scheme->HasSyntaxBlocks()) return;
  if (!AClosing && (item.SyntaxTail.empty() || !item.TailChanged)) return;

  TSynRegexSource& source = FModel.SyntaxInput();
  const int count = static_cast<int>(item.SyntaxTail.size());
  source.Bind(item.SyntaxTail.data(), count);
  int pos = item.SyntaxTailPos;
  while (pos < count) {
    const int rest = count - pos;
    bool matched = false;
    bool more = false;
    TKitRegExp* regex = nullptr;
    if (item.PartBlockKind == pbStart) {
      regex = (*item.PartChain)[static_cast<size_t>(item.PartIndex)].SynBlock->StartRegex.get();
      matched = KitSchemeExec(*regex, pos, rest, more);
    } else if (item.PartBlockKind == pbEnd && item.OpenSyntaxBlocks.empty()) {
      item.PartBlockKind = pbNothing;
      continue;
    } else if (item.PartBlockKind == pbEnd) {
      if (item.PartBlock->EndNeedsVariables())
        item.PartBlock->BindVariables(&item.OpenSyntaxBlocks.back().Variables);
      regex = item.PartBlock->EndRegex.get();
      matched = KitSchemeExec(*regex, pos, rest, more);
    } else {
      const int32_t code = item.SyntaxTail[static_cast<size_t>(pos)];
      if (!item.OpenSyntaxBlocks.empty()) {
        TOpenBlock& open = item.OpenSyntaxBlocks.back();
        if (open.Block->EndNeedsVariables()) open.Block->BindVariables(&open.Variables);
        if (open.Block->EndCanStartWith(code)) {
          regex = open.Block->EndRegex.get();
          matched = KitSchemeExec(*regex, pos, rest, more);
          if (matched || more) {
            item.PartBlockKind = pbEnd;
            item.PartBlock = open.Block;
            item.PartBlockFirstLine = item.PartBlockLastLine = FCurLine;
          }
        }
      }
      if (!matched && !more) {
        const TRuleChain& chain = scheme->GetBlockChain(code);
        for (size_t k = 0; k < chain.size() && !matched && !more; ++k) {
          regex = chain[k].SynBlock->StartRegex.get();
          matched = KitSchemeExec(*regex, pos, rest, more);
          if (matched || more) {
            item.PartBlockKind = pbStart;
            item.PartChain = &chain;
            item.PartIndex = static_cast<int>(k);
            item.PartBlockFirstLine = item.PartBlockLastLine = FCurLine;
          }
        }
      }
    }
    if (!matched && !more) {
      if (item.PartBlockKind == pbStart && static_cast<size_t>(item.PartIndex) + 1 < item.PartChain->size()) {
        ++item.PartIndex;
        continue;
      }
      ++pos;
      item.PartBlockKind = pbNothing;
      continue;
    }
    if (!matched) break;  // wait for more codes
    item.PartBlockLastLine = FCurLine;
    int group;
    if (item.PartBlockKind == pbStart) {
      TSyntaxBlock* block = (*item.PartChain)[static_cast<size_t>(item.PartIndex)].SynBlock;
      OpenBlock(ALevel, block, *regex);
      group = block->StartGroupUsed;
    } else {
      group = item.PartBlock->EndGroupUsed;
      CloseInnermostBlock(ALevel);
    }
    item.PartBlockKind = pbNothing;
    const int gpos = regex->GetMatchPos(group);
    const int next = gpos >= 0 ? gpos + regex->GetMatchLen(group) : regex->GetMatchPos(0) + regex->GetMatchLen(0);
    // A block boundary that consumes nothing still moves on.
    pos = std::max(next, pos + 1);
  }
  if (AClosing) {
    item.PartBlockLastLine = FCurLine;
    while (!item.OpenSyntaxBlocks.empty()) CloseInnermostBlock(ALevel);
    if (item.PartBlockKind == pbEnd) item.PartBlockKind = pbNothing;
  }
  if (pos >= static_cast<int>(item.SyntaxTail.size())) item.SyntaxTail.clear();
  else item.SyntaxTail.erase(item.SyntaxTail.begin(), item.SyntaxTail.begin() + pos);
  item.SyntaxTailPos = 0;
  if (static_cast<int>(item.SyntaxTail.size()) > scheme->SyntaxTailMaxLength) {
    item.SyntaxTail.clear();
    item.PartBlockKind = pbNothing;
  }
  item.TailChanged = false;
}

void TParserImpl::OpenBlock(int ALevel, TSyntaxBlock* ABlock, TKitRegExp& AStartRegex) {
  TContextItem& item = FWork.Item(ALevel);
  if (item.OpenSyntaxBlocks.size() >= kMaxOpenBlocks) return;
  TOpenBlock open;
  open.Block = ABlock;
  open.StartLine = item.PartBlockFirstLine;
  open.EndLine = item.PartBlockLastLine;
  open.DontCreateNode = FParseTree.LineEndToNode(item.PartBlockFirstLine) != nullptr;
  if (ABlock->EndNeedsVariables()) {
    for (int g = 0; g < AStartRegex.CompiledSubExpCount(); ++g) {
      TKitIntArray codes;
      const int p = AStartRegex.GetMatchPos(g);
      if (p >= 0)
        codes.assign(item.SyntaxTail.begin() + p, item.SyntaxTail.begin() + p + AStartRegex.GetMatchLen(g));
      open.Variables.push_back(std::move(codes));
    }
  }
  item.OpenSyntaxBlocks.push_back(std::move(open));
  if (ABlock->Capture && !item.OpenSyntaxBlocks.back().DontCreateNode)
    NodeCheck(ALevel, static_cast<int>(item.OpenSyntaxBlocks.size()) - 1, false);
}

void TParserImpl::CloseInnermostBlock(int ALevel) {
  TContextItem& item = FWork.Item(ALevel);
  TOpenBlock& open = item.OpenSyntaxBlocks.back();
  if (open.HasNode && open.Node) {
    TParserNode* node = open.Node;
    item.CurrentOpenNode = node->SchemeParent;
    item.ParentNode = node->Parent;
    if (FRechecking) {
      FTreeTouched = true;
    } else if (FBuild) {
      node->EndLine = item.PartBlockLastLine;
      FParseTree.CommitLastNode(node, FCurLine);
    }
  }
  item.OpenSyntaxBlocks.pop_back();
}

bool TParserImpl::NodeCheck(int ALevel, int ABlock, bool AForce) {
  TContextItem& item = FWork.Item(ALevel);
  const TOpenBlock& open = item.OpenSyntaxBlocks[static_cast<size_t>(ABlock)];
  const bool wants = open.Block->Capture && !open.HasNode && !open.DontCreateNode &&
                     (AForce || FCurLine - open.StartLine >= open.Block->MinLines);
  bool outer = true;
  if (ABlock > 0) {
    outer = NodeCheck(ALevel, ABlock - 1, wants);
  } else {
    for (int k = ALevel - 1; k >= 0; --k) {
      TContextItem& enclosing = FWork.Item(k);
      if (enclosing.PartBlockKind != pbNothing) {
        outer = false;
        break;
      }
      if (!enclosing.OpenSyntaxBlocks.empty()) {
        outer = NodeCheck(k, static_cast<int>(enclosing.OpenSyntaxBlocks.size()) - 1, wants);
        break;
      }
    }
  }
  if (wants && outer && FRechecking) {
    FTreeTouched = true;
  } else if (wants && outer) {
    TContextItem& level = FWork.Item(ALevel);
    if (!level.ParentNode)
      for (int k = ALevel - 1; k >= 0 && !level.ParentNode; --k) level.ParentNode = FWork.Item(k).ParentNode;
    if (!level.ParentNode) level.ParentNode = &FParseTree.Root();
    TOpenBlock& block = level.OpenSyntaxBlocks[static_cast<size_t>(ABlock)];
    TParserNode* node = FParseTree.AddAsLast(level.ParentNode, block.StartLine, FCurLine);
    node->SchemeParent = level.CurrentOpenNode;
    level.CurrentOpenNode = level.ParentNode = node;
    block.HasNode = true;
    block.Node = node;
  }
  return outer;
}

void TParserImpl::StartOfLineCheck() {
  for (int level = FWork.Count() - 1; level >= 0; --level) {
    const auto& blocks = FWork.Item(level).OpenSyntaxBlocks;
    for (int k = static_cast<int>(blocks.size()) - 1; k >= 0; --k) {
      const TOpenBlock& b = blocks[static_cast<size_t>(k)];
      if (b.Block->Capture && !b.HasNode && !b.DontCreateNode) {
        NodeCheck(level, k, false);
        return;
      }
    }
  }
}

}  // namespace zv
