// Folding: the tree of fold nodes that syntax blocks produce while lines are parsed, with
// indexes by start and end line. Every node remembers the parse line that made it and the
// one that closed it, so that invalidation returns the tree exactly to its state at the
// start of a line and a re-parse rebuilds what a fresh parse would.
#pragma once
#include <memory>
#include <unordered_map>
#include <vector>

namespace zv {

struct TParserNode {
  int StartLine = -1;
  int EndLine = -1;  // -1 while open
  TParserNode* Parent = nullptr;
  TParserNode* SchemeParent = nullptr;
  std::vector<std::unique_ptr<TParserNode>> Childs;  // in order of creation
  int CreatedLine = -1;
  int CommittedLine = -1;
  int ChildCount() const { return static_cast<int>(Childs.size()); }
};

class TParserTree {
 public:
  TParserTree();
  TParserNode& Root() { return FRoot; }
  // A new last child of AParent starting at ALine, made while parsing AParseLine; entered in
  // the start index unless a node already starts there.
  TParserNode* AddAsLast(TParserNode* AParent, int ALine, int AParseLine);
  // Enters the closed node under its end line, replacing another.
  void CommitLastNode(TParserNode* ANode, int AParseLine);
  // Back to the state before line AParseLine was parsed: nodes made from that line on are
  // deleted, nodes closed from that line on are open again.
  void KillFrom(int AParseLine);
  void Clear();
  TParserNode* LineStartToNode(int ALine) const;
  TParserNode* LineEndToNode(int ALine) const;
  // The start line of the deepest node that strictly encloses ALine, or -1.
  int ParentLine(int ALine) const;
  int NodeCount() const { return FCount; }
  // Whether parsing line AParseLine made or closed a node.
  bool ChangedAt(int AParseLine) const { return FChanges.count(AParseLine) != 0; }

 private:
  void Walk(TParserNode& ANode, int AParseLine);
  void Forget(TParserNode& ANode);
  void Reopen(TParserNode& ANode);
  void CountChange(int AParseLine, int ADelta);

  TParserNode FRoot;
  std::unordered_map<int, TParserNode*> FStartsHash;
  std::unordered_map<int, TParserNode*> FEndsHash;
  std::unordered_map<int, int> FChanges;  // parse line -> nodes made or closed there
  int FCount = 0;
};

}  // namespace zv
