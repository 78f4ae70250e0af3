// The push setup object: what a data notification carries, where it goes, when it may go
// and how often it is tried; the optional AAReference names the LN association whose
// context the push uses.
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_PushSetupObject;
extern const TypeInfo T_PushObjectList, T_SendDestinationAndMethod, T_TransportServiceType, T_MessageType,
    T_CommunicationWindows;

struct PushSetupAttr {
  enum : int {
    Name = 1, PushObjectList, SendDestinationAndMethod, CommunicationWindows, RandomisationStartInterval,
    NumberOfRetries, RepetitionDelay, AAReference
  };
};
struct SendDestinationAndMethod {
  enum : size_t { TransportServiceType, Destination, Message };
};
enum TTransportServiceTypeValue : int {
  tsTCP = 0, tsUDP, tsFTP, tsSMTP, tsSMS, tsHDLC, tsMBus, tsZigBee
};
enum TMessageTypeValue : int { mtAXDR = 0, mtXML = 1 };

// Views of a push setup object.
struct TPushSetup {
  // Elements are T_CaptureObject (see CaptureObject in basic_classes.h).
  static TSequenceOf& PushObjectList(const TCOSEMInstance& p) { return p.Get<TSequenceOf>(PushSetupAttr::PushObjectList - 1); }
  static int TransportServiceType(const TCOSEMInstance& p);
  static const PduStr& Destination(const TCOSEMInstance& p);
  static int MessageType(const TCOSEMInstance& p);
  // Elements are T_Window (see TWindow in comm_types.h).
  static TSequenceOf& CommunicationWindows(const TCOSEMInstance& p) {
    return p.Get<TSequenceOf>(PushSetupAttr::CommunicationWindows - 1);
  }
  static int RandomisationStartInterval(const TCOSEMInstance& p);
  static int NumberOfRetries(const TCOSEMInstance& p);
  static int RepetitionDelay(const TCOSEMInstance& p);
  // The logical name of the association to push in; null when the attribute is absent.
  static const PduStr* AAReference(const TCOSEMInstance& p);
};

}  // namespace zv
