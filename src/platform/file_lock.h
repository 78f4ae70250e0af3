// An exclusive advisory lock on a file, held for as long as the object lives.
#pragma once
#include <string>

namespace zv {

class TFileLock {
 public:
  TFileLock() = default;
  ~TFileLock() { Release(); }
  TFileLock(TFileLock&& Other) noexcept : FHandle(Other.FHandle) { Other.FHandle = -1; }
  TFileLock& operator=(TFileLock&& Other) noexcept;
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  // Creates (or empties) the file at Path and locks it without waiting. False when another
  // holder (another process, or another open of the file in this one) has the lock.
  bool TryAcquire(const std::string& Path);
  void Release();
  bool Held() const { return FHandle >= 0; }

 private:
  int FHandle = -1;
};

}  // namespace zv
