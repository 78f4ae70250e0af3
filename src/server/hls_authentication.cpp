#include "server/hls_authentication.h"

#include "apdu/ber.h"
#include "cosem/frame_counter.h"
#include "crypto/gcm_cipher.h"
#include "foundation/errors.h"
#include "security/protection_crypto.h"
#include "security/security_material.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

TSecurityMaterial& KeysOf(const TTransferContext& Context) {
  if (!Context.SecurityMaterial)
    throw Exception(
        Format("%s needs the keys of a security setup object", ObjectIdentifierName(Context.MechanismName)));
  return *Context.SecurityMaterial;
}

}  // namespace

namespace THLSAuthentication {

bool CheckGMAC(const TTransferContext& Context, const PduStr& MyChallenge, const PduStr& Response) {
  TSecurityMaterial& keys = KeysOf(Context);
  return TGCMCipher::CheckOtherResponseToChallenge(Context.ClientSystemTitle, Response, MyChallenge,
                                                   keys.GetSymmetricKey(kiGUEK), keys.GetSymmetricKey(kiGAK),
                                                   keys.GetSecuritySuite());
}

bool CheckECDSA(const TTransferContext& Context, const PduStr& MyChallenge, const PduStr& Response) {
  TSecurityMaterial& keys = KeysOf(Context);
  const PduStr signedData = Context.ClientSystemTitle + Context.MySystemTitle + MyChallenge + Context.ClientChallenge;
  return protection_crypto::Verify(keys.GetSecuritySuite(), signedData, Response,
                                   keys.GetPublicKey(Context.ClientSystemTitle, kpSigning));
}

PduStr GMACResponse(const TTransferContext& Context, const PduStr& ClientChallenge) {
  TSecurityMaterial& keys = KeysOf(Context);
  const PduStr ek = keys.GetSymmetricKey(kiGUEK);
  const PduStr ak = keys.GetSymmetricKey(kiGAK);
  return TGCMCipher::ResponseToChallenge(Context.MySystemTitle, ClientChallenge, ek, ak, TFrameCounter::GetNext(),
                                         keys.GetSecuritySuite());
}

PduStr ECDSAResponse(const TTransferContext& Context, const PduStr& ClientChallenge) {
  TSecurityMaterial& keys = KeysOf(Context);
  const PduStr signedData = Context.MySystemTitle + Context.ClientSystemTitle + ClientChallenge + Context.MyChallenge();
  return protection_crypto::Sign(keys.GetSecuritySuite(), signedData,
                                 keys.GetPrivateKey(Context.MySystemTitle, kpSigning), nullptr);
}

}  // namespace THLSAuthentication

}  // namespace zv
