// Traffic events: every chunk of octets a transport layer sends or receives, and its
// informative texts, handed to the GUI thread for an optional traffic display.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "foundation/misc.h"

namespace zv {

class TLogger;

enum TTrafficOption {
  toName,               // show the layer's name before the octets
  toIncoming,           // received
  toOutgoing,           // sent
  toInfo,               // an informative text of the layer
  toASCII,              // show as characters instead of hex
  toTimeStamps,         // show the time since the previous event
  toTimeStampsDelta,    // further time-stamp choices of a layer's settings, carried along
  toTimeStampsSession,
};

// A set of options in one octet; bit n stands for the option of ordinal n.
class TTrafficOptions {
 public:
  constexpr TTrafficOptions() = default;
  constexpr TTrafficOptions(std::initializer_list<TTrafficOption> Options) {
    for (TTrafficOption o : Options) FBits = static_cast<uint8_t>(FBits | (1u << o));
  }
  static constexpr TTrafficOptions FromByte(uint8_t Bits) {
    TTrafficOptions r;
    r.FBits = Bits;
    return r;
  }
  constexpr bool Contains(TTrafficOption Option) const { return (FBits >> Option) & 1u; }
  constexpr TTrafficOptions operator+(TTrafficOption Option) const {
    return FromByte(static_cast<uint8_t>(FBits | (1u << Option)));
  }
  constexpr TTrafficOptions operator+(TTrafficOptions Other) const {
    return FromByte(static_cast<uint8_t>(FBits | Other.FBits));
  }
  constexpr uint8_t AsByte() const { return FBits; }
  constexpr bool operator==(const TTrafficOptions&) const = default;

 private:
  uint8_t FBits = 0;
};

class TTrafficEvent {
 public:
  TTrafficEvent(const void* Sender, PduStr Bytes, TTrafficOptions Options)
      : Sender(Sender), Bytes(std::move(Bytes)), Options(Options) {}
  const void* Sender;  // the reporting layer; not owned
  PduStr Bytes;        // the octets, or the text
  TTrafficOptions Options;
};

class TTrafficWindowManager {
 public:
  // Events go through Target's queue to its sink, in order with the log entries.
  explicit TTrafficWindowManager(TLogger& Target);

  // Any thread; does not wait for the GUI thread.
  void OnTraffic(const void* Sender, const PduStr& Bytes, TTrafficOptions Options);

  int64_t RefTime = 0;  // counter value of the previous event
  int64_t PerformanceFrequency;

 private:
  TLogger& FTarget;
};

// The process-wide instance, on the process-wide logger.
TTrafficWindowManager& TrafficWindowManager();

}  // namespace zv
