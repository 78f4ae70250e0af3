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

TParserNode* TParserTree::NodeAt(const std::vector<uint32_t>& AIndex, int ALine) const {
  if (ALine < 0 || static_cast<size_t>(ALine) >= AIndex.size()) return nullptr;
  const uint32_t i = AIndex[static_cast<size_t>(ALine)];
  return i == 0 ? nullptr : const_cast<TParserNode*>(&FNodes[i - 1]);
}

void TParserTree::SetAt(std::vector<uint32_t>& AIndex, int ALine, TParserNode* ANode) {
  if (ALine < 0) return;
  if (static_cast<size_t>(ALine) >= AIndex.size()) {
    if (!ANode) return;
    AIndex.resize(static_cast<size_t>(ALine) + 1);
  }
  AIndex[static_cast<size_t>(ALine)] = ANode ? ANode->Index : 0;
}

TParserNode* TParserTree::AddAsLast(TParserNode* AParent, int ALine, int AParseLine) {
  TParserNode& node = FNodes.emplace_back();
  node.StartLine = ALine;
  node.Parent = AParent;
  node.CreatedLine = AParseLine;
  node.Index = static_cast<uint32_t>(FNodes.size());
  AParent->Childs.push_back(&node);
  if (!LineStartToNode(ALine)) SetAt(FStarts, ALine, &node);
  return &node;
}

void TParserTree::CommitLastNode(TParserNode* ANode, int AParseLine) {
  ANode->CommittedLine = AParseLine;
  SetAt(FEnds, ANode->EndLine, ANode);
  FCommits.push_back(ANode);
}

void TParserTree::KillFrom(int AParseLine) {
  if (AParseLine <= 0) {
    Clear();
    return;
  }
  // Closings first: a node's closing comes after its making. A node ends on the line that
  // closes it, so every node the end index holds for the lines cut goes with them.
  while (!FCommits.empty() && FCommits.back()->CommittedLine >= AParseLine) {
    TParserNode* node = FCommits.back();
    FCommits.pop_back();
    if (LineEndToNode(node->EndLine) == node) SetAt(FEnds, node->EndLine, nullptr);
    node->EndLine = node->CommittedLine = -1;
  }
  while (!FNodes.empty() && FNodes.back().CreatedLine >= AParseLine) {
    TParserNode& node = FNodes.back();
    // Made last, so it is its parent's last child and has none of its own left.
    node.Parent->Childs.pop_back();
    if (LineStartToNode(node.StartLine) == &node) SetAt(FStarts, node.StartLine, nullptr);
    FNodes.pop_back();
  }
}

void TParserTree::Clear() {
  FRoot.Childs.clear();
  FNodes.clear();
  FCommits.clear();
  FStarts.clear();
  FEnds.clear();
  FReplayNode = FReplayNodeEnd = FReplayCommit = FReplayCommitEnd = 0;
}

int TParserTree::ParentLine(int ALine) const {
  // Children follow each other by start line: only the last one starting before ALine can
  // enclose it.
  const TParserNode* node = &FRoot;
  for (;;) {
    const auto it = std::partition_point(node->Childs.begin(), node->Childs.end(),
                                         [&](const TParserNode* c) { return c->StartLine < ALine; });
    if (it == node->Childs.begin()) break;
    const TParserNode& c = **std::prev(it);
    if (c.EndLine != -1 && c.EndLine < ALine) break;
    node = &c;
  }
  return node == &FRoot ? -1 : node->StartLine;
}

void TParserTree::BeginReplay(int AParseLine) {
  const auto made = std::partition_point(FNodes.begin(), FNodes.end(),
                                         [&](const TParserNode& n) { return n.CreatedLine < AParseLine; });
  FReplayNode = static_cast<size_t>(made - FNodes.begin());
  FReplayNodeEnd = FReplayNode;
  while (FReplayNodeEnd < FNodes.size() && FNodes[FReplayNodeEnd].CreatedLine == AParseLine) ++FReplayNodeEnd;
  const auto closed = std::partition_point(FCommits.begin(), FCommits.end(),
                                           [&](const TParserNode* n) { return n->CommittedLine < AParseLine; });
  FReplayCommit = static_cast<size_t>(closed - FCommits.begin());
  FReplayCommitEnd = FReplayCommit;
  while (FReplayCommitEnd < FCommits.size() && FCommits[FReplayCommitEnd]->CommittedLine == AParseLine)
    ++FReplayCommitEnd;
}

TParserNode* TParserTree::ReplayAdd(TParserNode* AParent, int ALine, TParserNode* ASchemeParent) {
  if (FReplayNode == FReplayNodeEnd) return nullptr;
  TParserNode& node = FNodes[FReplayNode];
  if (node.Parent != AParent || node.StartLine != ALine || node.SchemeParent != ASchemeParent) return nullptr;
  ++FReplayNode;
  return &node;
}

bool TParserTree::ReplayCommit(TParserNode* ANode, int AEndLine) {
  if (FReplayCommit == FReplayCommitEnd || FCommits[FReplayCommit] != ANode || ANode->EndLine != AEndLine)
    return false;
  ++FReplayCommit;
  return true;
}

// ---- Syntax blocks in the parser ------------------------------------------------------------

void TParserImpl::ProcessSyntaxTail(int ALevel, bool AClosing) {
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
    if (FReplaying) {
      if (!FParseTree.ReplayCommit(node, item.PartBlockLastLine)) FTreeTouched = true;
    } else {
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
  if (wants && outer) {
    TContextItem& level = FWork.Item(ALevel);
    if (!level.ParentNode)
      for (int k = ALevel - 1; k >= 0 && !level.ParentNode; --k) level.ParentNode = FWork.Item(k).ParentNode;
    if (!level.ParentNode) level.ParentNode = &FParseTree.Root();
    TOpenBlock& block = level.OpenSyntaxBlocks[static_cast<size_t>(ABlock)];
    TParserNode* node;
    if (FReplaying) {
      node = FParseTree.ReplayAdd(level.ParentNode, block.StartLine, level.CurrentOpenNode);
      if (!node) {
        FTreeTouched = true;
        return outer;
      }
    } else {
      node = FParseTree.AddAsLast(level.ParentNode, block.StartLine, FCurLine);
      node->SchemeParent = level.CurrentOpenNode;
    }
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
