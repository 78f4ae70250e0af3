#include "crypto/gcm_cipher.h"

#include "crypto/library_binding.h"
#include "foundation/errors.h"
#include "platform/crypto_lib.h"

namespace zv {

namespace {

constexpr size_t kHeader = 5;  // SC and FC
constexpr int kTagLength = 12;

const uint8_t* Octets(const PduStr& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint8_t* Octets(PduStr& s) { return reinterpret_cast<uint8_t*>(s.data()); }
int Length(const PduStr& s) {
  if (s.size() > static_cast<size_t>(INT32_MAX)) throw EProtection("Crypto error -1");
  return static_cast<int>(s.size());
}

PduStr MakeIV(const PduStr& systemTitle, uint32_t frameCounter) {
  PduStr iv = systemTitle;
  AppendBE(iv, frameCounter, 4);
  return iv;
}

void Raise(int rc) {
  if (rc == kCryptoTagMismatch) throw EProtection("Authentication failure (Decrypt error)");
  throw EProtection(Format("Crypto error %d", rc));
}

// GCM of Input under EK with the given AAD; Tag receives the tag.
void Encrypt(const PduStr& input, const PduStr& ek, const PduStr& iv, const PduStr& aad,
             PduStr& output, PduStr& tag) {
  output.assign(input.size(), '\0');
  tag.assign(kTagLength, '\0');
  int rc = CheckBinding(GCM_Encrypt(Octets(output), Length(output), Octets(tag), kTagLength,
                                    Octets(input), Length(input), Octets(ek), Length(ek), Octets(iv),
                                    Length(iv), Octets(aad), Length(aad), 0),
                        "GCM_Encrypt");
  if (rc != 0) Raise(rc);
}

void Decrypt(const PduStr& input, const PduStr& ek, const PduStr& iv, const PduStr& aad,
             const PduStr& tag, PduStr& output) {
  output.assign(input.size(), '\0');
  int rc = CheckBinding(GCM_Decrypt(Octets(output), Length(output), Octets(input), Length(input),
                                    Octets(ek), Length(ek), Octets(iv), Length(iv), Octets(aad),
                                    Length(aad), Octets(tag), Length(tag), 0),
                        "GCM_Decrypt");
  if (rc != 0) Raise(rc);
}

}  // namespace

uint8_t TSecurityControl::Octet() const {
  uint8_t sc = static_cast<uint8_t>(SecuritySuite & 0x0F);
  if (COSEMProtectionServices.Contains(psAuthentication)) sc |= 0x10;
  if (COSEMProtectionServices.Contains(psEncryption)) sc |= 0x20;
  if (BroadCast) sc |= 0x40;
  if (COSEMProtectionServices.Contains(psCompression)) sc |= 0x80;
  return sc;
}

void TGCMCipher::GCMEncrypt(const PduStr& SystemTitle, const PduStr& Information,
                            const PduStr& EK, const PduStr& AK,
                            const TSecurityControl& SecurityControl, uint32_t FrameCounter,
                            const PduStr& ExtraAAD, PduStr& CipheredInformation) {
  const uint8_t sc = SecurityControl.Octet();
  TCOSEMProtectionServices services = SecurityControl.COSEMProtectionServices;
  services.Exclude(psCompression);
  ZV_ASSERT(!services.Contains(psSignature));
  const bool auth = services.Contains(psAuthentication);
  const bool enc = services.Contains(psEncryption);

  PduStr header(1, static_cast<char>(sc));
  AppendBE(header, FrameCounter, 4);
  if (!auth && !enc) {
    CipheredInformation = header + Information;
    return;
  }
  const PduStr iv = MakeIV(SystemTitle, FrameCounter);
  PduStr aad;
  if (auth) aad = PduStr(1, static_cast<char>(sc)) + AK + ExtraAAD;
  PduStr output, tag;
  if (auth && !enc) {
    Encrypt(PduStr(), EK, iv, aad + Information, output, tag);
    CipheredInformation = header + Information + tag;
  } else if (!auth) {
    Encrypt(Information, EK, iv, aad, output, tag);
    CipheredInformation = header + output;
  } else {
    Encrypt(Information, EK, iv, aad, output, tag);
    CipheredInformation = header + output + tag;
  }
}

void TGCMCipher::GCMDecrypt(const PduStr& SystemTitle, const PduStr& CipheredInformation,
                            const PduStr& ExtraAAD, const PduStr& EK, const PduStr& AK,
                            TSecurityControl& SecurityControl, uint32_t& FrameCounter,
                            PduStr& Information) {
  const PduStr& in = CipheredInformation;
  if (in.size() < kHeader) throw EProtection("Ciphered information too short");
  const auto sc = static_cast<uint8_t>(in[0]);
  const bool auth = (sc & 0x10) != 0;
  const bool enc = (sc & 0x20) != 0;
  if (auth && in.size() < kHeader + kTagLength) throw EProtection("Ciphered information too short");

  SecurityControl = TSecurityControl{};
  SecurityControl.BroadCast = (sc & 0x40) != 0;
  SecurityControl.SecuritySuite = sc & 0x0F;
  FrameCounter = 0;
  for (size_t i = 1; i < kHeader; ++i) FrameCounter = (FrameCounter << 8) | static_cast<uint8_t>(in[i]);

  const PduStr iv = MakeIV(SystemTitle, FrameCounter);
  const size_t bodyEnd = auth ? in.size() - kTagLength : in.size();
  const PduStr body = in.substr(kHeader, bodyEnd - kHeader);
  const PduStr tag = auth ? in.substr(bodyEnd) : PduStr();
  const PduStr aad = auth ? PduStr(1, static_cast<char>(sc)) + AK + ExtraAAD : PduStr();
  PduStr output;
  if (auth && !enc) {
    Decrypt(PduStr(), EK, iv, aad + body, tag, output);
    SecurityControl.COSEMProtectionServices = {psAuthentication};
    Information = body;
  } else if (enc && !auth) {
    Decrypt(body, EK, iv, aad, tag, output);
    SecurityControl.COSEMProtectionServices = {psEncryption};
    Information = output;
  } else if (auth && enc) {
    Decrypt(body, EK, iv, aad, tag, output);
    SecurityControl.COSEMProtectionServices = {psAuthentication, psEncryption};
    Information = output;
  } else {
    Information = body;
  }
  // Compressed APDUs are not accepted.
  ZV_ASSERT((sc & 0x80) == 0);
}

PduStr TGCMCipher::ResponseToChallenge(const PduStr& SystemTitle, const PduStr& Challenge,
                                       const PduStr& EK, const PduStr& AK, uint32_t FrameCounter,
                                       int SecuritySuite) {
  PduStr ciphered;
  GCMEncrypt(SystemTitle, Challenge, EK, AK,
             TSecurityControl::Construct({psAuthentication}, false, SecuritySuite), FrameCounter,
             PduStr(), ciphered);
  return ciphered.substr(0, kHeader) + ciphered.substr(ciphered.size() - kTagLength);
}

bool TGCMCipher::CheckOtherResponseToChallenge(const PduStr& OtherSystemTitle,
                                               const PduStr& OtherResponse,
                                               const PduStr& MyChallenge, const PduStr& EK,
                                               const PduStr& AK, int SecuritySuite) {
  // An answer too short for its counter cannot match.
  if (OtherResponse.size() < kHeader) return false;
  uint32_t fc = 0;
  for (size_t i = 1; i < kHeader; ++i) fc = (fc << 8) | static_cast<uint8_t>(OtherResponse[i]);
  return ResponseToChallenge(OtherSystemTitle, MyChallenge, EK, AK, fc, SecuritySuite) ==
         OtherResponse;
}

}  // namespace zv
