// A prompter that answers in place of the user and records what it was asked. While it
// lives it is the prompter of the shell.
#pragma once
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "app/prompter.h"

namespace zv {

class TFakePrompter : public TPrompter {
 public:
  struct TMessage {
    QString Caption, Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
  };
  struct TFont {
    QString Name;
    int Size;
  };

  TFakePrompter() : FPrevious(SetPrompter(this)) {}
  ~TFakePrompter() override { SetPrompter(FPrevious); }

  TModalResult MessageBox(QWidget*, const QString& Caption, const QString& Text, TMsgDlgType Type,
                          TMsgDlgButtons Buttons) override {
    Messages.push_back({Caption, Text, Type, Buttons});
    if (MessageAnswers.empty()) return mrOk;
    TModalResult answer = MessageAnswers.front();
    MessageAnswers.pop_front();
    return answer;
  }
  bool ExecuteFileDialog(QWidget*, TFileDialog& Dialog) override {
    FileDialogs.push_back(Dialog);
    if (!FileAnswer) return false;
    Dialog.FileName = *FileAnswer;
    return true;
  }
  bool ChooseFixedFont(QWidget*, QString& Name, int& Size) override {
    FontPresets.push_back({Name, Size});
    if (!FontAnswer) return false;
    Name = FontAnswer->Name;
    Size = FontAnswer->Size;
    return true;
  }
  void Beep() override { ++Beeps; }

  std::vector<TMessage> Messages;
  std::deque<TModalResult> MessageAnswers;  // mrOk once they run out
  std::vector<TFileDialog> FileDialogs;     // each dialog as it was when run
  std::optional<QString> FileAnswer;        // the file chosen; none: Cancel
  std::vector<TFont> FontPresets;
  std::optional<TFont> FontAnswer;  // none: Cancel
  int Beeps = 0;

 private:
  TPrompter* FPrevious;
};

}  // namespace zv
