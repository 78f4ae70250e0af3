#include "app/font_dispatcher.h"

#include "app/prompter.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"

namespace zv {

namespace {
constexpr char kSection[] = "ScriptFont";
constexpr int kNoSize = 2147483647;
}  // namespace

QString TFontDispatcher::CurrentFontName() const {
  QString name = QString::fromStdString(IniFile().ReadString(kSection, "0", ""));
  return name.isEmpty() ? QStringLiteral("Courier New") : name;
}

int TFontDispatcher::CurrentFontSize() const {
  int size = IniFile().ReadInteger(kSection, "1", kNoSize);
  return size == kNoSize ? 10 : size;
}

void TFontDispatcher::SetCurrentFontSize(int Size) { StoreAndAnnounce(CurrentFontName(), Size); }

void TFontDispatcher::SelectFont(QWidget* Parent) {
  QString name = CurrentFontName();
  int size = CurrentFontSize();
  if (Prompter().ChooseFixedFont(Parent, name, size)) StoreAndAnnounce(name, size);
}

QFont TFontDispatcher::CurrentFont() const {
  QFont font(CurrentFontName());
  if (int size = CurrentFontSize(); size > 0) font.setPointSize(size);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

void TFontDispatcher::Subscribe(const void* Subscriber, TNotify Method) {
  FSubscribers.push_back({Subscriber, std::move(Method), ++FLastId});
}

void TFontDispatcher::UnSubscribe(const void* Subscriber) {
  for (auto it = FSubscribers.begin(); it != FSubscribers.end(); ++it) {
    if (it->Subscriber == Subscriber) {
      FSubscribers.erase(it);
      return;
    }
  }
}

void TFontDispatcher::StoreAndAnnounce(const QString& Name, int Size) {
  TIniFile& ini = IniFile();
  ini.WriteString(kSection, "0", Name.toStdString());
  ini.WriteInteger(kSection, "1", Size);
  // Subscriptions made while telling wait for the next change; ended ones are not told.
  std::vector<uint64_t> ids;
  for (const TCallback& callback : FSubscribers) ids.push_back(callback.Id);
  for (uint64_t id : ids) {
    for (const TCallback& callback : FSubscribers) {
      if (callback.Id != id) continue;
      TNotify method = callback.Method;
      if (method) method();
      break;
    }
  }
}

TFontDispatcher& FontDispatcher() {
  static TFontDispatcher holder;
  return holder;
}

}  // namespace zv
