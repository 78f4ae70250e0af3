#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/form_base.h"
#include "app/shell_test_support.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"

namespace zv {
namespace {

template <class T>
T* Named(T* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

// A window with one control of every kind that keeps a value, a frame, a tab page holding
// a control, and controls that are not the window's own.
class TTestForm : public TFormBase<QWidget> {
 public:
  TTestForm() {
    setObjectName(QStringLiteral("FormTest"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Edit = Named(new QLineEdit, "EDITName"));
    layout->addWidget(Spin = Named(new QSpinBox, "SPINCount"));
    layout->addWidget(Check = Named(new QCheckBox, "CHKFlag"));
    layout->addWidget(Radio = Named(new QRadioButton, "RBOne"));
    layout->addWidget(List = Named(new QListWidget, "LBItems"));
    layout->addWidget(Combo = Named(new QComboBox, "CBChoice"));
    Combo->setEditable(true);
    layout->addWidget(Checks = Named(new QListWidget, "CLBOptions"));
    for (const char* text : {"a", "b", "c"}) {
      auto* item = new QListWidgetItem(QLatin1String(text), Checks);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
    layout->addWidget(Table = Named(new QTableWidget(2, 2), "VLEValues"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
    for (int row = 0; row < 2; ++row) {
      Table->setItem(row, 0, new QTableWidgetItem(QStringLiteral("K%1").arg(row)));
      Table->setItem(row, 1, new QTableWidgetItem());
    }
    layout->addWidget(Pages = Named(new QTabWidget, "PGControl"));
    Pages->addTab(new QWidget, QStringLiteral("one"));
    auto* page = new QWidget;
    OnPage = Named(new QLineEdit(page), "EDITOnPage");
    Pages->addTab(page, QStringLiteral("two"));
    auto* frame = Named(new QWidget, "FrameA");
    MarkAsFrame(frame);
    InFrame = Named(new QLineEdit(frame), "EDITInner");
    layout->addWidget(frame);
    layout->addWidget(Unnamed = new QLineEdit);
    auto* dialog = new QDialog(this);
    InDialog = Named(new QLineEdit(dialog), "EDITInDialog");
  }

  QLineEdit *Edit, *OnPage, *InFrame, *Unnamed, *InDialog;
  QSpinBox* Spin;
  QCheckBox* Check;
  QRadioButton* Radio;
  QListWidget *List, *Checks;
  QComboBox* Combo;
  QTableWidget* Table;
  QTabWidget* Pages;
};

// A window without a layout, free to take any size.
class TPlainForm : public TFormBase<QWidget> {
 public:
  TPlainForm() { setObjectName(QStringLiteral("FormTest")); }
};

// A fixed-size window: only its place is kept.
class TTestDialog : public TFormBase<QDialog> {
 public:
  TTestDialog() {
    setObjectName(QStringLiteral("FormDialog"));
    SetDialogBorder(true);
    setFixedSize(240, 120);
  }
};

using FormBaseTest = ShellTest;

TEST_F(FormBaseTest, ControlValuesGoToTheWindowsSectionAndComeBack) {
  {
    TTestForm form;
    form.Edit->setText(QStringLiteral("text = with \"quotes\""));
    form.Spin->setValue(42);
    form.Check->setChecked(true);
    form.Radio->setChecked(true);
    form.List->addItems({QStringLiteral("x"), QStringLiteral("y")});
    form.Combo->addItems({QStringLiteral("first"), QStringLiteral("second")});
    form.Combo->setCurrentIndex(1);
    form.Combo->setEditText(QStringLiteral("typed"));
    form.Checks->item(0)->setCheckState(Qt::Checked);
    form.Checks->item(2)->setCheckState(Qt::Checked);
    form.Table->item(0, 1)->setText(QStringLiteral("v0"));
    form.Table->item(1, 1)->setText(QStringLiteral("v1"));
    form.Pages->setCurrentIndex(1);
    form.OnPage->setText(QStringLiteral("on page"));
    form.InFrame->setText(QStringLiteral("in frame"));
    form.Unnamed->setText(QStringLiteral("lost"));
    form.InDialog->setText(QStringLiteral("not mine"));
    form.DoProfileActions(paWriteControls);
  }
  TIniFile& ini = IniFile();
  EXPECT_EQ(ini.ReadString("FormTest", "EDITName", ""), "text = with \"quotes\"");
  EXPECT_EQ(ini.ReadString("FormTest", "SPINCount", ""), "42");
  EXPECT_EQ(ini.ReadString("FormTest", "CHKFlag", ""), "1");
  EXPECT_EQ(ini.ReadInteger("FormTest.LBItems", "c", -1), 2);
  EXPECT_EQ(ini.ReadString("FormTest.LBItems", "1", ""), "y");
  EXPECT_EQ(ini.ReadInteger("FormTest.CBChoice", "i", -1), 1);
  EXPECT_EQ(ini.ReadString("FormTest.CBChoice", "t", ""), "typed");
  EXPECT_EQ(ini.ReadString("FormTest", "CLBOptions", ""), "a,c");
  EXPECT_EQ(ini.ReadString("FormTest.VLEValues", "K1", ""), "v1");
  EXPECT_GT(ini.ReadInteger("FormTest.VLEValues", "Key_w", 0), 0);
  EXPECT_EQ(ini.ReadInteger("FormTest", "PGControl", -1), 1);
  EXPECT_EQ(ini.ReadString("FormTest", "EDITOnPage", ""), "on page");
  EXPECT_EQ(ini.ReadString("FormTest", "FrameA.EDITInner", ""), "in frame");
  EXPECT_EQ(ini.ReadString("FormTest", "EDITInner", "absent"), "absent");
  EXPECT_EQ(ini.ReadString("FormTest", "EDITInDialog", "absent"), "absent");

  TTestForm form;
  form.List->addItems({QStringLiteral("old1"), QStringLiteral("old2"), QStringLiteral("old3")});
  form.DoProfileActions(paReadControls);
  EXPECT_EQ(form.Edit->text(), QStringLiteral("text = with \"quotes\""));
  EXPECT_EQ(form.Spin->value(), 42);
  EXPECT_TRUE(form.Check->isChecked());
  EXPECT_TRUE(form.Radio->isChecked());
  EXPECT_EQ(form.List->count(), 2);
  EXPECT_EQ(form.List->item(1)->text(), QStringLiteral("y"));
  EXPECT_EQ(form.Combo->count(), 2);
  EXPECT_EQ(form.Combo->currentIndex(), 1);
  EXPECT_EQ(form.Checks->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(form.Checks->item(1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(form.Checks->item(2)->checkState(), Qt::Checked);
  EXPECT_EQ(form.Table->item(0, 1)->text(), QStringLiteral("v0"));
  EXPECT_EQ(form.Pages->currentIndex(), 1);
  EXPECT_EQ(form.OnPage->text(), QStringLiteral("on page"));
  EXPECT_EQ(form.InFrame->text(), QStringLiteral("in frame"));
}

TEST_F(FormBaseTest, MissingValuesLeaveControlsAsTheyAre) {
  // The stored text of a check list is searched for each item's text: "ab" checks "a" and
  // "b" and leaves the others as they are.
  WriteIni("[FormTest]\nCLBOptions=ab\n[FormTest.LBItems]\nc=0\n");
  TTestForm form;
  form.Edit->setText(QStringLiteral("kept"));
  form.Check->setChecked(true);
  form.List->addItems({QStringLiteral("kept")});
  form.Checks->item(2)->setCheckState(Qt::Checked);
  form.Pages->setCurrentIndex(1);
  form.DoProfileActions(paReadControls);
  EXPECT_EQ(form.Edit->text(), QStringLiteral("kept"));
  EXPECT_TRUE(form.Check->isChecked());
  EXPECT_EQ(form.List->count(), 1);
  EXPECT_EQ(form.Checks->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(form.Checks->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(form.Checks->item(2)->checkState(), Qt::Checked);
  EXPECT_EQ(form.Pages->currentIndex(), 0);  // the page control's default is the first page
}

// A damaged settings file cannot make a list read more items than its section holds.
TEST_F(FormBaseTest, AStoredItemCountBeyondTheItemsIsCut) {
  WriteIni("[FormTest.LBItems]\nc=2000000000\n0=a\n1=b\n[FormTest.CBChoice]\nc=3\n0=x\n1=y\n2=z\ni=1\n");
  TTestForm form;
  form.DoProfileActions(paReadControls);
  EXPECT_EQ(form.List->count(), 2);
  EXPECT_EQ(form.List->item(1)->text(), QStringLiteral("b"));
  EXPECT_EQ(form.Combo->count(), 3);
  EXPECT_EQ(form.Combo->currentText(), QStringLiteral("y"));
}

struct GeometryRow {
  const char* name;
  const char* ini;
  // Expected place and size as fractions of the screen (-1: the stored value).
  int left, top, width, height;
  bool maximized;
};

TEST_F(FormBaseTest, GeometryIsRestoredOnTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const int sw = screen.width(), sh = screen.height();
  const GeometryRow rows[] = {
      {"nothing stored", "", sw / 4, sh / 4, sw / 2, sh / 2, false},
      {"stored", "Left=30\nTop=40\nWidth=300\nHeight=200\n", 30, 40, 300, 200, false},
      {"no height", "Left=30\nTop=40\nWidth=300\n", 30, 40, sw / 2, sh / 2, false},
      {"off the desktop", "Left=5000\nTop=40\nWidth=300\nHeight=200\n", sw / 2, sh / 2, 300, 200, false},
      {"above the desktop", "Left=30\nTop=-500\nWidth=300\nHeight=200\n", sw / 2, sh / 2, 300, 200, false},
      {"maximised", "WindowState=2\nLeft=30\nTop=40\nWidth=300\nHeight=200\n", -1, -1, -1, -1, true},
  };
  for (const GeometryRow& row : rows) {
    SCOPED_TRACE(row.name);
    WriteIni(std::string("[FormTest]\n") + row.ini);
    TPlainForm form;
    form.show();
    EXPECT_EQ(form.isMaximized(), row.maximized);
    if (row.maximized) continue;
    EXPECT_EQ(form.geometry(), QRect(row.left, row.top, row.width, row.height));
  }
}

TEST_F(FormBaseTest, HidingStoresTheGeometryThatShowingRestores) {
  {
    TPlainForm form;
    form.show();
    form.setGeometry(50, 60, 320, 240);
    form.hide();
    form.show();
    EXPECT_EQ(form.geometry(), QRect(50, 60, 320, 240));
    form.showMaximized();
    form.hide();
  }
  TIniFile& ini = IniFile();
  EXPECT_EQ(ini.ReadInteger("FormTest", "WindowState", -1), 2);
  // A maximised window keeps the place it returns to.
  EXPECT_EQ(ini.ReadInteger("FormTest", "Left", -1), 50);
  EXPECT_EQ(ini.ReadInteger("FormTest", "Width", -1), 320);
  EXPECT_FALSE(ini.ReadBool("FormTest", "StayOnTop", true));
  TPlainForm form;
  form.show();
  EXPECT_TRUE(form.isMaximized());
  form.showNormal();
  EXPECT_EQ(form.geometry().topLeft(), QPoint(50, 60));

  // A dialog keeps its own size and takes only its place.
  WriteIni("[FormDialog]\nLeft=70\nTop=80\nWidth=999\nHeight=999\nWindowState=2\n");
  TTestDialog dialog;
  dialog.show();
  EXPECT_FALSE(dialog.isMaximized());
  EXPECT_EQ(dialog.geometry(), QRect(70, 80, 240, 120));
}

// A window stored maximised comes back maximised and returns to its stored size, or to half
// the screen when none is stored; hiding it keeps that size, not the maximised one.
TEST_F(FormBaseTest, AMaximisedWindowReturnsToItsNormalSize) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  struct Row {
    const char* ini;
    QRect normal;
  };
  const Row rows[] = {
      {"WindowState=2\nLeft=30\nTop=40\nWidth=500\nHeight=350\n", QRect(30, 40, 500, 350)},
      {"WindowState=2\nLeft=30\nTop=40\n", QRect(30, 40, screen.width() / 2, screen.height() / 2)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ini);
    WriteIni(std::string("[FormTest]\n") + row.ini);
    {
      TPlainForm form;
      form.show();
      ASSERT_TRUE(form.isMaximized());
      EXPECT_EQ(form.normalGeometry(), row.normal);
      form.hide();
    }
    EXPECT_EQ(IniFile().ReadInteger("FormTest", "Width", -1), row.normal.width());
    EXPECT_EQ(IniFile().ReadInteger("FormTest", "Height", -1), row.normal.height());
    TPlainForm form;
    form.show();
    form.showNormal();
    EXPECT_EQ(form.geometry(), row.normal);
  }
}

TEST_F(FormBaseTest, StayOnTopIsKeptWhenTheWindowOffersIt) {
  {
    TPlainForm form;
    QAction* item = form.InstallStayOnTopMenuItemOnTitleBar();
    EXPECT_EQ(item->text(), QStringLiteral("Stay on top"));
    form.show();
    item->trigger();
    EXPECT_TRUE(form.IsStayOnTop());
    EXPECT_TRUE(item->isChecked());
    form.hide();
  }
  EXPECT_TRUE(IniFile().ReadBool("FormTest", "StayOnTop", false));
  TPlainForm plain;  // without the item the stored choice is not applied
  plain.show();
  EXPECT_FALSE(plain.IsStayOnTop());
  TPlainForm offering;
  QAction* item = offering.InstallStayOnTopMenuItemOnTitleBar();
  offering.show();
  EXPECT_TRUE(offering.IsStayOnTop());
  EXPECT_TRUE(item->isChecked());
}

TEST(FormBase, RoundPerCentRoundsHalvesToEven) {
  const int rows[][3] = {{5, 2, 2}, {7, 2, 4}, {3, 2, 2}, {1, 3, 0}, {2, 3, 1}, {250, 100, 2}, {-5, 2, -2}, {7, 0, 0}};
  for (const auto& row : rows) EXPECT_EQ(RoundPerCent(row[0], row[1]), row[2]) << row[0] << "/" << row[1];
}

}  // namespace
}  // namespace zv
