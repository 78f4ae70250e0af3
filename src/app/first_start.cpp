#include "app/first_start.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/last_files.h"
#include "platform/folders.h"

namespace zv {

namespace {
const QString kDeviceKey = QStringLiteral("DEVICE");
}  // namespace

QString SeedExampleDevice(const QString& DataFolder) {
  const QString last = ReadLastFile(kDeviceKey);
  if (!last.isEmpty() && QFileInfo(last).isFile()) return QString();
  if (DataFolder.isEmpty() || !QDir().mkpath(DataFolder)) return QString();
  const QString copy = QDir(DataFolder).absoluteFilePath(QStringLiteral("meter.txt"));
  if (!QFileInfo::exists(copy)) {
    if (!QFile::copy(QStringLiteral(":/examples/meter.txt"), copy)) return QString();
    // The copy of a built-in file is read-only like its source; the user's copy is not.
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  }
  WriteLastFile(kDeviceKey, copy);
  return copy;
}

QString ExampleDataFolder() {
  const std::string data = UserDataFolder();
  return data.empty() ? QString() : QString::fromStdString(data) + QStringLiteral("Zorvan");
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/zorvan-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace zv
