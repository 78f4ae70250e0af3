#include "app/form_base.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QWindow>

#include <algorithm>
#include <charconv>

#include "foundation/globals.h"
#include "foundation/ini_file.h"

namespace zv {

namespace {

constexpr char kFrameProperty[] = "zvFrame";

std::string Std(const QString& s) { return s.toStdString(); }
QString Qs(const std::string& s) { return QString::fromStdString(s); }

bool IsFrame(const QWidget* w) { return w->property(kFrameProperty).toBool(); }

// Controls whose inside is their own: their children are never walked.
bool IsLeaf(const QWidget* w) {
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractItemView*>(w);
}

// A list whose items show check boxes keeps the texts of the checked items.
bool IsCheckList(const QListWidget* list) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->data(Qt::CheckStateRole).isValid()) return true;
  return false;
}

void WriteItems(TIniFile& ini, const std::string& section, const QStringList& items) {
  ini.EraseSection(section);
  ini.WriteInteger(section, "c", static_cast<int32_t>(items.size()));
  for (qsizetype i = 0; i < items.size(); ++i) ini.WriteString(section, std::to_string(i), Std(items[i]));
}

// The stored items, or nothing when none are stored. The count is cut after the last item
// key the section holds, so that a damaged count cannot make a huge list.
bool ReadItems(TIniFile& ini, const std::string& section, QStringList& items) {
  int count = ini.ReadInteger(section, "c", 0);
  if (count <= 0) return false;
  int last = -1;
  for (const std::string& key : ini.ReadSection(section)) {
    int index = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), index);
    if (error == std::errc() && end == key.data() + key.size() && index >= 0 && index < count)
      last = std::max(last, index);
  }
  count = last + 1;
  items.clear();
  for (int i = 0; i < count; ++i) items << Qs(ini.ReadString(section, std::to_string(i), ""));
  return true;
}

QString HeaderText(const QTableWidget* table, int column) {
  const QTableWidgetItem* item = table->horizontalHeaderItem(column);
  return item ? item->text() : QString::number(column + 1);
}

QString CellText(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QString();
}

}  // namespace

int RoundPerCent(int64_t Num, int64_t Denom) {
  if (Denom == 0) return 0;
  if (Denom < 0) {
    Num = -Num;
    Denom = -Denom;
  }
  int64_t q = Num / Denom, r = Num % Denom;
  if (r < 0) {
    --q;
    r += Denom;
  }
  if (2 * r > Denom || (2 * r == Denom && (q & 1) != 0)) ++q;
  return static_cast<int>(q);
}

const QString& GuiFontName() {
  static const QString name = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  return name;
}

void MarkAsFrame(QWidget* Frame) { Frame->setProperty(kFrameProperty, true); }

QString TFormProfile::Section() const { return FForm->objectName(); }

void TFormProfile::DoProfileActions(TProfileActions Actions) {
  if (Actions & paWriteGeometry) WriteGeometry();
  if (Actions & paReadGeometry) ReadGeometry();
  for (bool write : {true, false}) {
    if (!(Actions & (write ? paWriteControls : paReadControls))) continue;
    for (QObject* child : FForm->children())
      if (auto* w = qobject_cast<QWidget*>(child)) WalkControl(w, QString(), write);
  }
}

void TFormProfile::AfterShow() {
  DoProfileActions(paReadGeometry);
  if (CheckedMenuItem) CheckedMenuItem->setChecked(true);
}

void TFormProfile::AfterHide() {
  DoProfileActions(paWriteGeometry);
  if (CheckedMenuItem) CheckedMenuItem->setChecked(false);
}

void TFormProfile::WriteGeometry() {
  TIniFile& ini = IniFile();
  std::string s = Std(Section());
  int state = FForm->isMinimized() ? 1 : FForm->isMaximized() ? 2 : 0;
  // A maximised or minimised window keeps the place it returns to.
  QRect r = FForm->geometry();
  if (state != 0 && FForm->normalGeometry().isValid()) r = FForm->normalGeometry();
  ini.WriteInteger(s, "WindowState", state);
  ini.WriteInteger(s, "Top", r.top());
  ini.WriteInteger(s, "Left", r.left());
  ini.WriteInteger(s, "Width", r.width());
  ini.WriteInteger(s, "Height", r.height());
  ini.WriteBool(s, "StayOnTop", IsStayOnTop());
}

void TFormProfile::ReadGeometry() {
  TIniFile& ini = IniFile();
  std::string s = Std(Section());
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect desk = screen->geometry();
  const int sw = desk.width(), sh = desk.height();
  int top = ini.ReadInteger(s, "Top", sh / 4);
  int left = ini.ReadInteger(s, "Left", sw / 4);
  QSize size = FForm->size();
  int state = 0;
  if (!FDialogBorder) {
    state = ini.ReadInteger(s, "WindowState", 0);
    // A maximised or minimised window gets its stored size as well: it is the size the
    // window returns to, which would otherwise be whatever the window had before showing.
    int w = ini.ReadInteger(s, "Width", 0), h = ini.ReadInteger(s, "Height", 0);
    size = w != 0 && h != 0 ? QSize(w, h) : QSize(sw / 2, sh / 2);
  }
  // A dialog of a window opens centred on it, wherever that window is now.
  if (const QWidget* owner = FForm->parentWidget(); FDialogBorder && owner && owner->window()->isVisible()) {
    const QPoint centre = owner->window()->geometry().center();
    left = centre.x() - size.width() / 2;
    top = centre.y() - size.height() / 2;
  }
  // The caption strip must lie on the desktop, or the user could not grab the window.
  const int captionHeight = FForm->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, FForm);
  if (!QRect(left, top, size.width(), std::max(captionHeight, 1)).intersects(screen->virtualGeometry())) {
    left = sw / 2;
    top = sh / 2;
  }
  FForm->setGeometry(left, top, size.width(), size.height());
  if (!FDialogBorder) {
    Qt::WindowStates states = FForm->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1) states |= Qt::WindowMinimized;
    if (state == 2) states |= Qt::WindowMaximized;
    FForm->setWindowState(states);
  }
  if (FStayOnTopOnTitleBar && ini.ReadBool(s, "StayOnTop", false)) SetStayOnTop(true);
}

void TFormProfile::WalkControl(QWidget* Control, const QString& Prefix, bool Write) {
  if (Control->isWindow()) return;
  const QString name = Control->objectName();
  const bool named = !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
  const bool leaf = IsLeaf(Control);
  if (!named && leaf) return;
  const QString key = !named ? Prefix : Prefix.isEmpty() ? name : Prefix + QLatin1Char('.') + name;
  const bool allowed = named && (Write ? CanWriteControl(Control) : CanReadControl(Control));
  if (allowed && (leaf || qobject_cast<QTabWidget*>(Control))) {
    if (Write) WriteValue(Control, Std(key));
    else ReadValue(Control, Std(key));
  }
  if (leaf) return;
  QString childPrefix = Prefix;
  if (named && IsFrame(Control)) {
    if (!allowed) return;
    childPrefix = key;
  }
  for (QObject* child : Control->children())
    if (auto* w = qobject_cast<QWidget*>(child)) WalkControl(w, childPrefix, Write);
}

void TFormProfile::WriteValue(QWidget* Control, const std::string& k) {
  TIniFile& ini = IniFile();
  const std::string s = Std(Section()), list = s + "." + k;
  if (auto* edit = qobject_cast<QLineEdit*>(Control)) {
    ini.WriteString(s, k, Std(edit->text()));
  } else if (auto* spin = qobject_cast<QSpinBox*>(Control)) {
    ini.WriteString(s, k, std::to_string(spin->value()));
  } else if (qobject_cast<QCheckBox*>(Control) || qobject_cast<QRadioButton*>(Control)) {
    ini.WriteBool(s, k, static_cast<QAbstractButton*>(Control)->isChecked());
  } else if (auto* lb = qobject_cast<QListWidget*>(Control)) {
    QStringList texts;
    const bool checks = IsCheckList(lb);
    for (int i = 0; i < lb->count(); ++i)
      if (!checks || lb->item(i)->checkState() == Qt::Checked) texts << lb->item(i)->text();
    if (checks) ini.WriteString(s, k, Std(texts.join(QLatin1Char(','))));
    else WriteItems(ini, list, texts);
  } else if (auto* combo = qobject_cast<QComboBox*>(Control)) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    WriteItems(ini, list, texts);
    ini.WriteInteger(list, "i", combo->currentIndex());
    if (combo->isEditable()) ini.WriteString(list, "t", Std(combo->currentText()));
  } else if (auto* table = qobject_cast<QTableWidget*>(Control)) {
    // Column 0 holds the keys, column 1 the values.
    ini.EraseSection(list);
    for (int row = 0; row < table->rowCount(); ++row)
      ini.WriteString(list, Std(CellText(table, row, 0)), Std(CellText(table, row, 1)));
    const int client = table->viewport()->width();
    for (int col = 0; col < table->columnCount(); ++col)
      ini.WriteInteger(list, Std(HeaderText(table, col)) + "_w", RoundPerCent(int64_t{table->columnWidth(col)} * 100, client));
  } else if (auto* tabs = qobject_cast<QTabWidget*>(Control)) {
    ini.WriteInteger(s, k, tabs->currentIndex());
  }
}

void TFormProfile::ReadValue(QWidget* Control, const std::string& k) {
  TIniFile& ini = IniFile();
  const std::string s = Std(Section()), list = s + "." + k;
  if (auto* edit = qobject_cast<QLineEdit*>(Control)) {
    edit->setText(Qs(ini.ReadString(s, k, Std(edit->text()))));
  } else if (auto* spin = qobject_cast<QSpinBox*>(Control)) {
    spin->setValue(ini.ReadInteger(s, k, spin->value()));
  } else if (qobject_cast<QCheckBox*>(Control) || qobject_cast<QRadioButton*>(Control)) {
    auto* button = static_cast<QAbstractButton*>(Control);
    button->setChecked(ini.ReadBool(s, k, button->isChecked()));
  } else if (auto* lb = qobject_cast<QListWidget*>(Control)) {
    if (IsCheckList(lb)) {
      const QString stored = Qs(ini.ReadString(s, k, ""));
      for (int i = 0; i < lb->count(); ++i) {
        QListWidgetItem* item = lb->item(i);
        if (!item->text().isEmpty() && stored.contains(item->text())) item->setCheckState(Qt::Checked);
      }
    } else if (QStringList items; ReadItems(ini, list, items)) {
      lb->clear();
      lb->addItems(items);
    }
  } else if (auto* combo = qobject_cast<QComboBox*>(Control)) {
    if (QStringList items; ReadItems(ini, list, items)) {
      combo->clear();
      combo->addItems(items);
    }
    combo->setCurrentIndex(ini.ReadInteger(list, "i", combo->currentIndex()));
  } else if (auto* table = qobject_cast<QTableWidget*>(Control)) {
    for (int row = 0; row < table->rowCount(); ++row) {
      std::string value = ini.ReadString(list, Std(CellText(table, row, 0)), "");
      if (QTableWidgetItem* item = table->item(row, 1)) item->setText(Qs(value));
      else table->setItem(row, 1, new QTableWidgetItem(Qs(value)));
    }
    const int client = table->viewport()->width();
    const int columns = table->columnCount();
    for (int col = 0; col < columns; ++col) {
      int perCent = std::max(10, ini.ReadInteger(list, Std(HeaderText(table, col)) + "_w", 100 / columns));
      table->setColumnWidth(col, RoundPerCent(int64_t{client} * perCent, 100));
    }
  } else if (auto* tabs = qobject_cast<QTabWidget*>(Control)) {
    tabs->setCurrentIndex(ini.ReadInteger(s, k, 0));
  }
}

bool TFormProfile::IsStayOnTop() const {
  if (const QWindow* window = FForm->windowHandle()) return window->flags().testFlag(Qt::WindowStaysOnTopHint);
  return FForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// Once the window exists its native flags change in place; changing the widget's flags then
// would make a new native window and run the hide and show handling in between.
void TFormProfile::SetStayOnTop(bool On) {
  if (QWindow* window = FForm->windowHandle()) window->setFlag(Qt::WindowStaysOnTopHint, On);
  else FForm->setWindowFlag(Qt::WindowStaysOnTopHint, On);
  UpdateStayOnTopCheck();
}

void TFormProfile::UpdateStayOnTopCheck() {
  if (FStayOnTopItem) FStayOnTopItem->setChecked(IsStayOnTop());
}

QAction* TFormProfile::InstallStayOnTopMenuItemOnTitleBar() {
  FStayOnTopOnTitleBar = true;
  FInitialStayOnTop = IsStayOnTop();
  if (!FStayOnTopItem) {
    FStayOnTopItem = new QAction(QStringLiteral("Stay on top"), FForm);
    FStayOnTopItem->setCheckable(true);
    QObject::connect(FStayOnTopItem, &QAction::triggered, FForm, [this] { ToggleStayOnTop(); });
  }
  UpdateStayOnTopCheck();
  return FStayOnTopItem;
}

void TFormProfile::ToggleStayOnTop() { SetStayOnTop(!IsStayOnTop()); }

void TFormProfile::Restore() {
  FForm->show();
  if (FForm->isMinimized()) FForm->showNormal();
}

}  // namespace zv
