#include "crypto/elliptic_stuff_interface.h"

#include <exception>

#include "crypto/ecdh.h"
#include "crypto/ecdsa.h"
#include "crypto/kdf.h"
#include "foundation/errors.h"

namespace zv {

namespace {

thread_local std::string gLastError;
thread_local TECLogProc gLogProc = nullptr;
thread_local void* gLogContext = nullptr;

template <class F>
bool Guarded(F f) {
  try {
    f();
    return true;
  } catch (const Exception& e) {
    gLastError = e.Message();
  } catch (const std::exception& e) {
    gLastError = e.what();
  }
  return false;
}

}  // namespace

TCurveId ECCurveOfSecuritySuite(int SecuritySuite) {
  if (SecuritySuite == 1) return CurveP256;
  if (SecuritySuite == 2) return CurveP384;
  throw Exception(Format("Unsupported security suite %d", SecuritySuite));
}

bool ECGenerateKeyPair(int SecuritySuite, PduStr& PrivateKey, PduStr& PublicKey) {
  PrivateKey.clear();
  PublicKey.clear();
  return Guarded([&] {
    PduStr priv, pub;
    ECDSAGenerateKeyPair(ECCurveOfSecuritySuite(SecuritySuite), priv, pub);
    PrivateKey = std::move(priv);
    PublicKey = std::move(pub);
  });
}

bool ECDSASign(int SecuritySuite, const PduStr& Message, const PduStr& PrivateKey,
               PduStr& Signature) {
  Signature.clear();
  return Guarded([&] {
    TECLogFunc log;
    if (gLogProc) {
      TECLogProc proc = gLogProc;
      void* context = gLogContext;
      log = [proc, context](const std::string& text) { proc(context, text); };
    }
    Signature = ECDSASignMessage(ECCurveOfSecuritySuite(SecuritySuite), Message, PrivateKey, log);
  });
}

bool ECDSAVerify(int SecuritySuite, const PduStr& Message, const PduStr& Signature, bool& Valid,
                 const PduStr& PublicKey) {
  Valid = false;
  return Guarded([&] {
    Valid = ECDSAVerifyMessage(ECCurveOfSecuritySuite(SecuritySuite), Message, Signature, PublicKey);
  });
}

bool ECDHSharedSecret(int SecuritySuite, const PduStr& PrivateKey, const PduStr& PublicKey,
                      PduStr& SharedSecret) {
  SharedSecret.clear();
  return Guarded([&] {
    SharedSecret =
        ECDHComputeSharedSecret(ECCurveOfSecuritySuite(SecuritySuite), PrivateKey, PublicKey);
  });
}

bool ECKDF(int SecuritySuite, const PduStr& SharedSecret, const PduStr& OtherInfo, PduStr& Key) {
  Key.clear();
  return Guarded([&] { Key = KDFDeriveKey(SecuritySuite, SharedSecret, OtherInfo); });
}

void ECSetLogCallback(TECLogProc Proc, void* Context) {
  gLogProc = Proc;
  gLogContext = Proc ? Context : nullptr;
}

std::string ECLastError() { return gLastError; }

}  // namespace zv
