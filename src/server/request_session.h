// What the request handlers need of the session that serves them: the association state
// of the connection, the device (read under the device lock) and the ways to end the
// association.
#pragma once

namespace zv {

class TSequence;
class TTransferContext;

class TRequestSession {
 public:
  virtual ~TRequestSession() = default;
  virtual TTransferContext& TransferContext() = 0;
  // The device the request is served on (a TLogicalDevice).
  virtual TSequence& Device() = 0;
  // The context is replaced by a fresh one before the next request: the association ends.
  virtual void SetMustInitTransferContext() = 0;
  // Replaces the context by a fresh one at once.
  virtual void InitTransferContext() = 0;
};

}  // namespace zv
