#include "server/transfer_context.h"

namespace zv {

TTransferContext::TTransferContext() : ClientId(0), ServerId(0), CommunicationProfileInfo() {}

}  // namespace zv
