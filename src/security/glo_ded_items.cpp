#include "security/glo_ded_items.h"

#include "foundation/errors.h"

namespace zv {

namespace {

struct Item {
  int tag;
  TXMLId glo;
  TXMLId ded;
};

constexpr Item kItems[] = {
    {1, xmlglo_InitiateRequest, xmlded_InitiateRequest},
    {5, xmlglo_ReadRequest, xmlded_ReadRequest},
    {6, xmlglo_WriteRequest, xmlded_WriteRequest},
    {8, xmlglo_InitiateResponse, xmlded_InitiateResponse},
    {12, xmlglo_ReadResponse, xmlded_ReadResponse},
    {13, xmlglo_WriteResponse, xmlded_WriteResponse},
    {14, xmlglo_ConfirmedServiceError, xmlded_ConfirmedServiceError},
    {192, xmlglo_GetRequest, xmlded_GetRequest},
    {193, xmlglo_SetRequest, xmlded_SetRequest},
    {195, xmlglo_ActionRequest, xmlded_ActionRequest},
    {196, xmlglo_GetResponse, xmlded_GetResponse},
    {197, xmlglo_SetResponse, xmlded_SetResponse},
    {199, xmlglo_ActionResponse, xmlded_ActionResponse},
};

const Item* Find(int tag) {
  for (const auto& i : kItems)
    if (i.tag == tag) return &i;
  return nullptr;
}

}  // namespace

TXMLId GloItemOfTag(int Tag) {
  const Item* i = Find(Tag);
  if (!i) throw Exception(Format("No glotag for tag %d", Tag));
  return i->glo;
}

TXMLId DedItemOfTag(int Tag) {
  const Item* i = Find(Tag);
  if (!i) throw Exception(Format("No dedtag for tag %d", Tag));
  return i->ded;
}

}  // namespace zv
