// The script font: the one font of every editor frame, kept in the settings file. Frames
// subscribe and are told each time it changes.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include <QFont>
#include <QString>

class QWidget;

namespace zv {

class TFontDispatcher {
 public:
  using TNotify = std::function<void()>;

  // "ScriptFont" "0"; "Courier New" when absent or empty.
  QString CurrentFontName() const;
  // "ScriptFont" "1"; 10 when absent.
  int CurrentFontSize() const;
  // Stores the size (and the current name) and tells the subscribers.
  void SetCurrentFontSize(int Size);
  // The font dialog with fixed-pitch fonts, preset with the current font; a choice is
  // stored and told to the subscribers.
  void SelectFont(QWidget* Parent = nullptr);
  // The current font; the platform's monospace font stands in when the named one is missing.
  QFont CurrentFont() const;

  // Subscribers are told in the order they subscribed. UnSubscribe removes the first
  // subscription of Subscriber; either may be called while the subscribers are being told.
  void Subscribe(const void* Subscriber, TNotify Method);
  void UnSubscribe(const void* Subscriber);

 private:
  void StoreAndAnnounce(const QString& Name, int Size);

  struct TCallback {
    const void* Subscriber;
    TNotify Method;
    uint64_t Id;
  };
  std::vector<TCallback> FSubscribers;
  uint64_t FLastId = 0;
};

// The process-wide holder.
TFontDispatcher& FontDispatcher();

}  // namespace zv
