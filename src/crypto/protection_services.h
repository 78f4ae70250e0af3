// The protection services a layer gives to an APDU, and their set (one octet: bit 0
// authentication, bit 1 encryption, bit 2 signature, bit 3 compression).
#pragma once
#include <cstdint>
#include <initializer_list>

namespace zv {

enum TCOSEMProtectionService : uint8_t { psAuthentication, psEncryption, psSignature, psCompression };

class TCOSEMProtectionServices {
 public:
  constexpr TCOSEMProtectionServices() = default;
  constexpr TCOSEMProtectionServices(std::initializer_list<TCOSEMProtectionService> services) {
    for (auto s : services) Include(s);
  }
  static constexpr TCOSEMProtectionServices FromOctet(uint8_t octet) {
    TCOSEMProtectionServices r;
    r.FBits = octet & 0x0F;
    return r;
  }
  constexpr uint8_t Octet() const { return FBits; }
  constexpr bool Contains(TCOSEMProtectionService s) const { return (FBits & Bit(s)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr void Include(TCOSEMProtectionService s) { FBits = static_cast<uint8_t>(FBits | Bit(s)); }
  constexpr void Exclude(TCOSEMProtectionService s) { FBits = static_cast<uint8_t>(FBits & ~Bit(s)); }
  friend constexpr bool operator==(TCOSEMProtectionServices, TCOSEMProtectionServices) = default;

 private:
  static constexpr uint8_t Bit(TCOSEMProtectionService s) { return static_cast<uint8_t>(1u << s); }
  uint8_t FBits = 0;
};

}  // namespace zv
