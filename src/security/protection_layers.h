// The protection layers of one APDU, innermost first: Remove peels a received APDU layer
// by layer and records each layer, Apply wraps an APDU in the recorded layers again. The
// list owns its layers.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "security/cti.h"
#include "security/protection_layer.h"

namespace zv {

// Which of the three service sets of each layer a question is about.
enum TProtectionServicesSelector { psCurrent, psPMax, psPMin };

class TProtectionLayers {
 public:
  TProtectionLayers() = default;
  TProtectionLayers(const TProtectionLayers&) = delete;
  TProtectionLayers& operator=(const TProtectionLayers&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TProtectionLayer& Items(int Index) const { return *FItems.at(static_cast<size_t>(Index)); }
  void Add(std::unique_ptr<TProtectionLayer> Layer) { FItems.push_back(std::move(Layer)); }
  void Delete(int Index) { FItems.erase(FItems.begin() + Index); }

  // Peels FromPdu. A plain APDU gives null and leaves the list as it was; otherwise the
  // unprotected APDU, with the layers found inserted at the front. SystemTitle is the
  // client's, for service-specific ciphering whose APDUs carry none. An error leaves the
  // layers already removed in the list.
  COSEMpduPtr Remove(const PduStr& FromPdu, TSecurityMaterial* SecurityMaterial,
                     const TLoggingContext* LoggingContext, const PduStr& SystemTitle);
  // Wraps COSEMPdu in every layer, in list order; the caller keeps its APDU. Null when the
  // list is empty.
  COSEMpduPtr Apply(const TCOSEMpdu& COSEMPdu, TSecurityMaterial* SecurityMaterial,
                    const TLoggingContext* LoggingContext);

  // The union over all layers of the selected set.
  TProtectionServices GetProtectionServices(TProtectionServicesSelector Selector) const;
  bool HasProtectionServices(TProtectionServicesSelector Selector, TProtectionServices ProtectionServices) const;
  // Some glo/ded layer (service-specific or general) uses the dedicated key.
  bool UseDedicatedServices() const;
  bool HasLayerWithServiceSpecificStyle() const;
  // The first layer of class T or derived from it; null when none.
  template <class T>
  T* GetFirst() const {
    for (const auto& l : FItems)
      if (auto* t = dynamic_cast<T*>(l.get())) return t;
    return nullptr;
  }
  // False when a general signing or general ciphering layer names another recipient.
  bool CheckRecipientSystemTitle(const PduStr& SystemTitle) const;
  // The replay check: the counters of the ciphering layers must grow from the inside out
  // and exceed LastFC, which ends as the outermost one; else EProtection "IC reused".
  void CheckFrameCounter(uint32_t& LastFC) const;
  void SetMinimumProtection();
  void SetMaximumProtection();
  void RemoveProtectionServices(TProtectionServices ProtectionServices);
  void ForceProtection(TProtectionServices RequiredProtectionServices);
  // Adds what is missing of Required to the layers that may give it; "Protection services
  // %s cannot be added or set in the layers" when some service is left.
  void RealizeProtection(TProtectionServices RequiredProtectionServices);
  // Deletes the only layer when it is a glo/ded layer that gives nothing.
  void RemoveSingleEmptySymmetricLayer();
  void SetLayersCallBacks(const TProtectionAppliedProc& CallBack1, const TApplyingProtectionProc& Callback2);

  // The two vocabularies convert bit for bit; a single compression service has no
  // counterpart (assertion failure).
  static TProtectionServices COSEMProtectionServicesToCTI(TCOSEMProtectionServices Services);
  static TCOSEMProtectionServices CTIToCOSEMProtectionServices(TProtectionServices Services);
  static TProtectionService COSEMProtectionServiceToCTI(TCOSEMProtectionService Service);
  static TCOSEMProtectionService CTIToCOSEMProtectionService(TProtectionService Service);

 private:
  std::vector<std::unique_ptr<TProtectionLayer>> FItems;
};

}  // namespace zv
