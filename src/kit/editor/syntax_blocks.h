// Folding: the tree of fold nodes that syntax blocks produce while lines are parsed, with
// indexes by start and end line. Every node remembers the parse line that made it and the
// one that closed it, so that invalidation returns the tree exactly to its state at the
// start of a line and a re-parse rebuilds what a fresh parse would.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace zv {

struct TParserNode {
  int StartLine = -1;
  int EndLine = -1;  // -1 while open
  int CreatedLine = -1;
  int CommittedLine = -1;
  TParserNode* Parent = nullptr;
  TParserNode* SchemeParent = nullptr;
  std::vector<TParserNode*> Childs;  // in order of creation, which is that of their start lines
  uint32_t Index = 0;                // in the tree's creation order, from 1 (0 is the root)
  int ChildCount() const { return static_cast<int>(Childs.size()); }
};

class TParserTree {
 public:
  TParserTree();
  TParserTree(const TParserTree&) = delete;
  TParserTree& operator=(const TParserTree&) = delete;
  TParserNode& Root() { return FRoot; }
  // A new last child of AParent starting at ALine, made while parsing AParseLine; entered in
  // the start index unless a node already starts there.
  TParserNode* AddAsLast(TParserNode* AParent, int ALine, int AParseLine);
  // Enters the closed node under its end line, replacing another.
  void CommitLastNode(TParserNode* ANode, int AParseLine);
  // Back to the state before line AParseLine was parsed: nodes made from that line on are
  // deleted, nodes closed from that line on are open again. Nodes are made and closed in
  // the order of the lines parsed, so this undoes just the changes since, whatever the
  // number of nodes before them.
  void KillFrom(int AParseLine);
  void Clear();
  TParserNode* LineStartToNode(int ALine) const { return NodeAt(FStarts, ALine); }
  TParserNode* LineEndToNode(int ALine) const { return NodeAt(FEnds, ALine); }
  // The start line of the deepest node that strictly encloses ALine, or -1.
  int ParentLine(int ALine) const;
  int NodeCount() const { return static_cast<int>(FNodes.size()); }

  // Parsing a line again over the tree it built: each node the parse would make or close
  // must be the next one made or closed there before; the tree stays as it is.
  void BeginReplay(int AParseLine);
  // The node made at the replayed line next, when it has this parent, start and scheme
  // parent; otherwise none (the line changes the tree).
  TParserNode* ReplayAdd(TParserNode* AParent, int ALine, TParserNode* ASchemeParent);
  // Whether ANode, ending at AEndLine, is the node closed at the replayed line next.
  bool ReplayCommit(TParserNode* ANode, int AEndLine);
  // Whether every change made at the replayed line was met again.
  bool ReplayComplete() const { return FReplayNode == FReplayNodeEnd && FReplayCommit == FReplayCommitEnd; }

 private:
  TParserNode* NodeAt(const std::vector<uint32_t>& AIndex, int ALine) const;
  void SetAt(std::vector<uint32_t>& AIndex, int ALine, TParserNode* ANode);

  TParserNode FRoot;
  std::deque<TParserNode> FNodes;        // in order of creation
  std::vector<TParserNode*> FCommits;    // in order of closing
  // Line -> node index (0: none), dense: a description has a fold on most lines.
  std::vector<uint32_t> FStarts;
  std::vector<uint32_t> FEnds;
  size_t FReplayNode = 0, FReplayNodeEnd = 0;
  size_t FReplayCommit = 0, FReplayCommitEnd = 0;
};

}  // namespace zv
