// The ACCESS service: several GET, SET and ACTION operations in one request, answered in
// one response with a list of data and a list of results; after a failure the rest may be
// skipped (break on error).
#include "apdu/access.h"
#include "apdu/errors_apdu.h"
#include "apdu/ln_services.h"
#include "foundation/data_helper.h"
#include "foundation/date_time.h"
#include "server/make_service.h"
#include "server/object_services.h"
#include "server/request_helpers.h"
#include "server/request_session.h"
#include "server/service_handlers.h"
#include "server/service_support.h"
#include "server/settings.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

// An answer entry of the given kind ("AccessResponseGet", "AccessResponseSet",
// "AccessResponseAction") whose result is Success.
PduPtr AnswerEntry(const char* Kind) {
  return MakeAnyFromXml(xmlAccessResponseSpecification, T_AccessResponseSpecification,
                        Format("<AccessResponseSpecification>  <%s>    <Result Value = \"Success\" />  </%s>"
                               "</AccessResponseSpecification>",
                               Kind, Kind));
}

void SetResult(TCOSEMPduBase& Entry, int Code) {
  Entry.As<TChoice>().Value->As<TSequence>().Get<TEnum>(AccessResponseItem::Result).Value = Code;
}

PduPtr NullData() { return TDataHelper::Make(xmlNullData); }

// The code of a get result that is a data-access result; -1 for a data value.
int ResultCodeOf(const TCOSEMPduBase& GetDataResult) {
  const TChoice& r = GetDataResult.As<TChoice>();
  if (r.Value && r.Value->IsA(T_Data)) return -1;
  ZV_ASSERT(r.Value && r.Value->IsA(T_DataAccessResult));
  return r.Value->As<TEnum>().Value;
}

TSequenceOf& ListOfData(TSequence& ResponseBody) {
  return ResponseBody.Get<TSequenceOf>(AccessResponseBody::AccessResponseListOfData);
}

TSequenceOf& AnswerEntries(TSequence& ResponseBody) {
  return ResponseBody.Get<TSequenceOf>(AccessResponseBody::AccessResponseSpecification);
}

}  // namespace

COSEMpduPtr TServiceHandlers::HandleAccess(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const auto invoke = static_cast<uint32_t>(Request.Get<TNumber>(AccessRequest::LongInvokeIdAndPriority).AsUInt64());
  ctx.Confirmed = TLongInvokeIdAndPriorityHelper::Confirmed(invoke);
  // An unconfirmed request is served but not answered, unless the settings say otherwise.
  const bool answered = ctx.Confirmed || TFormPreferences::GetCHKIgnoreUnconfirmed();
  auto answer = [answered](COSEMpduPtr Response) { return answered ? std::move(Response) : nullptr; };

  const TSequence& body = Request.Get<TSequence>(AccessRequest::AccessRequestBody);
  const TSequenceOf& requests = body.Get<TSequenceOf>(AccessRequestBody::AccessRequestSpecification);
  const TSequenceOf& data = body.Get<TSequenceOf>(AccessRequestBody::AccessRequestListOfData);
  const int count = requests.ElementCount();
  if (count != data.ElementCount() || count == 0) return answer(TMakeService::ExceptionResponse());

  const bool selfDescriptive = TLongInvokeIdAndPriorityHelper::SelfDescriptive(invoke);
  COSEMpduPtr response = selfDescriptive ? TMakeService::AccessResponseSelfDescriptive(invoke)
                                         : TMakeService::AccessResponseNotSelfDescriptive(invoke);
  TSequence& r = response->Value->As<TSequence>();
  if (!Request.Get<TOctetString>(AccessRequest::DateTime).Value.empty()) {
    TDateTimeRecord now;
    DateTimeToRecord(now, NowDateTime());
    r.Get<TOctetString>(AccessResponse::DateTime).Value = now.COSEMDateTime();
  }
  TSequence& responseBody = r.Get<TSequence>(AccessResponse::AccessResponseBody);
  if (selfDescriptive) {
    auto& copy = responseBody.Get<TSequenceOf>(AccessResponseBody::AccessRequestSpecification);
    for (const auto& s : requests.FElements) copy.Add(s->Clone());
  }

  const bool breakOnError = TLongInvokeIdAndPriorityHelper::BreakOnError(invoke);
  bool error = false;
  size_t assembled = 0;
  for (int i = 0; i < count; ++i) {
    TSequenceOf& results = AnswerEntries(responseBody);
    if (error && breakOnError) {
      // Every item after the first failure repeats its result without being served.
      ListOfData(responseBody).Add(NullData());
      results.Add(results.Elements(results.ElementCount() - 1)->Clone());
    } else {
      HandleAccessItem(Session, i, requests.Elements(i)->As<TChoice>(), data, responseBody, error);
    }
    const TSequenceOf& list = ListOfData(responseBody);
    assembled += static_cast<size_t>(list.Elements(list.ElementCount() - 1)->PDUSize());
    if (assembled > kMaxAssembledAnswer) return answer(TMakeService::ExceptionResponse());
  }
  return answer(std::move(response));
}

void TServiceHandlers::HandleAccessItem(TRequestSession& Session, int Index, const TChoice& Request,
                                        const TSequenceOf& ListOfDataIn, TSequence& ResponseBody, bool& Error) {
  TTransferContext& ctx = Session.TransferContext();
  const TCOSEMPduBase* item = Request.Value.get();
  TSequenceOf& listOfData = ListOfData(ResponseBody);
  TSequenceOf& results = AnswerEntries(ResponseBody);
  const bool get = item && item->IsA(T_AccessRequestGet);
  const bool getWithSelection = item && item->IsA(T_AccessRequestGetWithSelection);
  if (get || getWithSelection) {
    const TSequence& s = item->As<TSequence>();
    const TReference r = ReferenceOf(s.Get<TSequence>(AccessRequestItem::Descriptor));
    PduPtr result = AnswerEntry("AccessResponseGet");
    int code = srcSuccess;
    if (r.Id == 0) {
      listOfData.Add(GetAllAttributes(Session, r.InstanceId, r.ClassId, code, Error));
    } else {
      PduPtr value = TLogicalDeviceHelper::GetAttribute(Session.Device(), ctx, r.InstanceId, r.ClassId, r.Id,
                                                        getWithSelection ? OptionalSequence(s, AccessRequestItem::AccessSelection)
                                                                         : nullptr);
      code = ResultCodeOf(*value);
      if (code < 0) {
        listOfData.Add(std::move(value->As<TChoice>().Value));
        code = srcSuccess;
      } else {
        listOfData.Add(NullData());
        Error = true;
      }
    }
    SetResult(*result, code);
    results.Add(std::move(result));
    return;
  }
  const TData* data = GetDataElement(ListOfDataIn, Index);
  if (item && item->IsA(T_AccessRequestSet) && data) {
    const TReference r = ReferenceOf(item->As<TSequence>().Get<TSequence>(AccessRequestItem::Descriptor));
    const int code = TLogicalDeviceHelper::SetAttribute(Session.Device(), ctx, ctx.CurrentLNAssociationObject(),
                                                        r.InstanceId, r.ClassId, r.Id, *data);
    listOfData.Add(NullData());
    PduPtr result = AnswerEntry("AccessResponseSet");
    SetResult(*result, code);
    results.Add(std::move(result));
    if (code != srcSuccess) Error = true;
    return;
  }
  if (item && item->IsA(T_AccessRequestAction) && data) {
    const TReference r = ReferenceOf(item->As<TSequence>().Get<TSequence>(AccessRequestItem::Descriptor));
    std::unique_ptr<TData> returned;
    const int code = TLogicalDeviceHelper::InvokeMethod(Session.Device(), ctx, ctx.CurrentLNAssociationObject(),
                                                        r.InstanceId, r.ClassId, r.Id, data, returned);
    if (returned)
      listOfData.Add(std::move(returned));
    else
      listOfData.Add(NullData());
    PduPtr result = AnswerEntry("AccessResponseAction");
    SetResult(*result, code);
    results.Add(std::move(result));
    if (code != srcSuccess) Error = true;
    return;
  }
  // A set with selection has no result of its own: the request fails as a whole.
  Error = true;
  throw Exception(Format("%s not supported", item ? item->ClassName() : Request.ClassName()));
}

PduPtr TServiceHandlers::GetAllAttributes(TRequestSession& Session, const PduStr& InstanceId, int ClassId,
                                          int& ResultCode, bool& Error) {
  TTransferContext& ctx = Session.TransferContext();
  const TCOSEMInstance* object =
      TLogicalDeviceHelper::FindInstance(Session.Device(), ctx.CurrentLNAssociationObject(), InstanceId, ClassId);
  if (!object)
    throw Exception(Format("Instance: \"%s\", Class: %d not found", ByteStrToHexStr(InstanceId).c_str(), ClassId));
  std::unique_ptr<TData> all = TDataHelper::Make(xmlStructure);
  TSequenceOf& values = TDataHelper::AsStructure(*all);
  const int count = object->AttributeCount();
  for (int a = 1; a <= count; ++a) {
    PduPtr value = TLogicalDeviceHelper::GetAttribute(Session.Device(), ctx, InstanceId, ClassId, a, nullptr);
    const int code = ResultCodeOf(*value);
    if (code < 0) {
      values.Add(std::move(value->As<TChoice>().Value));
    } else {
      values.Add(NullData());
      ResultCode = code;
      Error = true;
    }
  }
  return all;
}

}  // namespace zv
