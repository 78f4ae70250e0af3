// The client side of data protection objects, written with OpenSSL alone (AES-GCM, AES key
// wrap, ECDSA, ECDH and the key derivation), never with the server's layers: protection
// parameters and object lists in the Data XML form, a buffer protected by the client and
// a buffer the server protected taken apart again.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/axdr_types.h"
#include "security/protection_common_decl.h"

namespace zv::test::dataprot {

// What the client knows: the symmetric keys, its own key pairs and the server's public keys.
struct TClientKeys {
  int Suite = 1;
  PduStr ClientTitle, ServerTitle;
  PduStr GUEK, GAK, KEK;
  TKeyPair ClientSigning, ClientAgreement;
  PduStr ServerSigningPublic, ServerAgreementPublic;
};

enum : int { ptAuth = 0, ptEnc = 1, ptAuthEnc = 2, ptSign = 3 };
enum : int { kitIdentified = 0, kitWrapped = 1, kitAgreed = 2 };
enum : int { kpOnePass = 1, kpStaticUnified = 2 };

// One protection parameter element.
struct TClientLayer {
  int ProtectionType = ptAuthEnc;
  PduStr TransactionId, OriginatorSystemTitle, RecipientSystemTitle, OtherInformation;
  int KeyInfoType = kitIdentified;
  int IdentifiedKey = 0;         // identified: 0 unicast, 1 broadcast
  int KeyParameters = kpOnePass;  // agreed
  PduStr KeyCipheredData;         // wrapped or agreed
  // When not negative, the security control octet the client writes instead of the right one.
  int ForcedSecurityControl = -1;
};

// A layer the client applies for the server (client to server) or the server applies for
// the client (server to client), with titles set accordingly.
TClientLayer ToServer(const TClientKeys& Keys, int ProtectionType, int KeyInfoType = kitIdentified,
                      int KeyParameters = kpOnePass);
TClientLayer FromServer(const TClientKeys& Keys, int ProtectionType, int KeyInfoType = kitIdentified,
                        int KeyParameters = kpOnePass);

// The Data XML (an Array element) of protection parameters.
std::string ParametersXml(const std::vector<TClientLayer>& Layers);
// Protection parameters read back from a Data value (attribute 4 or 5, a method's answer).
std::vector<TClientLayer> ParseParameters(const TData& Value);

struct TObjectRef {
  int ClassId;
  std::string LogicalNameHex;
  int AttributeIndex;
};
// The Data XML (an Array element) of a protection object list.
std::string ObjectListXml(const std::vector<TObjectRef>& Objects);

// The client protects Plain: the layers in order, the first innermost. A wrapped layer
// without key-ciphered data draws a content key, a one-pass agreed layer an ephemeral key
// pair; their key-ciphered data go into the layers, for the parameters the server needs.
// Each ciphering takes FrameCounter and increases it.
PduStr Protect(const TClientKeys& Keys, std::vector<TClientLayer>& Layers, const PduStr& Plain,
               uint32_t& FrameCounter);
// The client removes the server's protection: the layers from the last to the first. Every
// check (signature, tag, security control octet) raises when it fails; FrameCounters, when
// given, receives the counter of each ciphering layer in removal order.
PduStr Unprotect(const TClientKeys& Keys, const std::vector<TClientLayer>& Layers, const PduStr& Buffer,
                 std::vector<uint32_t>* FrameCounters = nullptr);

}  // namespace zv::test::dataprot
