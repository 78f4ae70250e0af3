// The general protection envelopes (glo, ded and general ciphering with key
// information, general signing) and the general block transfer APDU. They hold octets
// only; ciphering, signing and joining blocks belong to higher layers.
#pragma once
#include <cstddef>

#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_GeneralGloCiphering, T_GeneralDedCiphering, T_GeneralCiphering, T_KeyInfo, T_IdentifiedKey,
    T_WrappedKey, T_AgreedKey, T_KeyId, T_KekId;
extern const TypeInfo T_GeneralSigning;
extern const TypeInfo T_BlockControl, T_GeneralBlockTransfer;

// Block-control bits of a general block transfer.
inline constexpr int kGbtLastBlock = 0x80;
inline constexpr int kGbtStreaming = 0x40;
inline constexpr int kGbtWindowMask = 0x3F;

// Member positions, for code that reads these sequences by field.
// GeneralGloCiphering and GeneralDedCiphering.
struct GeneralGloCiphering {
  enum : size_t { SystemTitle, CipheredService };
};
struct GeneralCiphering {
  enum : size_t {
    TransactionId,
    OriginatorSystemTitle,
    RecipientSystemTitle,
    DateTime,
    OtherInformation,
    KeyInfo,
    CipheredContent
  };
};
struct IdentifiedKey {
  enum : size_t { KeyId };
};
struct WrappedKey {
  enum : size_t { KekId, KeyCipheredData };
};
struct AgreedKey {
  enum : size_t { KeyParameters, KeyCipheredData };
};
struct GeneralSigning {
  enum : size_t {
    TransactionId,
    OriginatorSystemTitle,
    RecipientSystemTitle,
    DateTime,
    OtherInformation,
    Content,
    Signature
  };
};
struct GeneralBlockTransfer {
  enum : size_t { BlockControl, BlockNumber, BlockNumberAck, BlockData };
};

}  // namespace zv
