// The protection services as access rights, security policies and the transfer context
// name them (one octet: bit 0 authentication, bit 1 encryption, bit 2 signature, bit 3
// compression). They convert bit for bit to the services a protection layer gives.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

namespace zv {

enum TPPReservedConst : uint8_t { rcAUTHENTICATION, rcENCRYPTION, rcSIGNATURE, rcCOMPRESSION };
using TProtectionService = TPPReservedConst;

class TProtectionServices {
 public:
  constexpr TProtectionServices() = default;
  constexpr TProtectionServices(std::initializer_list<TProtectionService> services) {
    for (auto s : services) Include(s);
  }
  static constexpr TProtectionServices FromOctet(uint8_t octet) {
    TProtectionServices r;
    r.FBits = octet & 0x0F;
    return r;
  }
  constexpr uint8_t Octet() const { return FBits; }
  constexpr bool Contains(TProtectionService s) const { return (FBits & Bit(s)) != 0; }
  constexpr bool ContainsAll(TProtectionServices other) const { return (other.FBits & ~FBits) == 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr void Include(TProtectionService s) { FBits = static_cast<uint8_t>(FBits | Bit(s)); }
  constexpr void Exclude(TProtectionService s) { FBits = static_cast<uint8_t>(FBits & ~Bit(s)); }
  friend constexpr bool operator==(TProtectionServices, TProtectionServices) = default;

 private:
  static constexpr uint8_t Bit(TProtectionService s) { return static_cast<uint8_t>(1u << s); }
  uint8_t FBits = 0;
};

// "AUTHENTICATION", "ENCRYPTION", "SIGNATURE", "COMPRESSION".
std::string DisplayName(TProtectionService Value);

}  // namespace zv
