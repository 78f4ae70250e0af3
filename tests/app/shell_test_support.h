// Tests of the shell run offscreen with one application object for the whole program; each
// test gets settings and executable folders of its own and a fake prompter.
#pragma once
#include <gtest/gtest.h>

#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "app/fake_prompter.h"

// Failures show Qt's texts as text and points as points.
inline void PrintTo(const QString& Text, std::ostream* Out) { *Out << '"' << Text.toStdString() << '"'; }
inline void PrintTo(const QPoint& Point, std::ostream* Out) { *Out << '(' << Point.x() << ", " << Point.y() << ')'; }
inline void PrintTo(const QRect& Rect, std::ostream* Out) {
  *Out << '(' << Rect.x() << ", " << Rect.y() << ' ' << Rect.width() << 'x' << Rect.height() << ')';
}

namespace zv {

class TKitSedFindDlg;

// While it lives, each find and replace dialog that comes on screen is handed to Act, which
// must end it (a button or reject()); Seen counts them.
class TFindDialogAnswerer {
 public:
  explicit TFindDialogAnswerer(std::function<void(TKitSedFindDlg& Dialog)> AAct = {});
  std::function<void(TKitSedFindDlg& Dialog)> Act;
  int Seen = 0;

 private:
  QTimer FTimer;
};

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes Text as the settings file.
  void WriteIni(const std::string& Text);

  std::filesystem::path ConfigFolder, ExeFolder;
  TFakePrompter Prompter;
};

}  // namespace zv
