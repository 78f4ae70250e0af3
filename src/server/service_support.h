// What the units of the xDLMS service handlers share: the result codes they write, the
// fields they read from requests, the taking of data blocks, and the bounds of what a
// client may make the server join or assemble.
#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/codec.h"

namespace zv {

class TTransferContext;
struct TBlockTransferWithGetOrRead;

// Data-access results the handlers write themselves.
enum TServiceResultCode : int {
  srcSuccess = 0,
  srcTypeUnmatched = 12,
  srcScopeOfAccessViolated = 13,
  srcLongGetOrReadAborted = 15,
  srcNoLongGetOrReadInProgress = 16,
  srcOtherReason = 250,
};

// Raw data a client sends in blocks (SET, WRITE) is joined up to this size; a transfer
// that would grow beyond it is ended and refused.
inline constexpr size_t kMaxJoinedBlockData = size_t{1} << 20;
// An answer assembled from a list of references (GET with list, READ, ACCESS) may grow to
// this size; a client naming long attributes over and over is refused beyond it.
inline constexpr size_t kMaxAssembledAnswer = size_t{4} << 20;

// The conformance bit is agreed in this association.
bool Agreed(const TTransferContext& Context, int Bit);

// The fields of an attribute or method descriptor.
struct TReference {
  int ClassId;
  PduStr InstanceId;
  int Id;
};
TReference ReferenceOf(const TSequence& Descriptor);

// Member of Owner as a sequence, or null when the optional member is absent.
const TSequence* OptionalSequence(const TSequence& Owner, size_t Member);

// The invoke-id-and-priority of a GET, SET or ACTION request (member 0), with its service
// class noted in the context.
int NoteInvokeId(TTransferContext& Context, const TSequence& Request);

// Starts sending RawData in blocks of AgreedMaxSendPduSize - 12 octets (at least one).
void StartBlocks(TBlockTransferWithGetOrRead& Transfer, const PduStr& RawData, int AgreedMaxSendPduSize);
// Takes the next block off the octets not yet sent: LastBlock tells whether none remain;
// the transfer stays in progress while octets remain.
PduStr TakeBlock(TBlockTransferWithGetOrRead& Transfer, bool& LastBlock);

}  // namespace zv
