// What the program does on its own on a user's first start: a device to serve, copied where
// the user may change it, and the program's icon.
#pragma once
#include <QIcon>
#include <QString>

namespace zv {

// When the settings name no device file, or one that is gone, the example meter built into
// the program is copied into DataFolder as meter.txt (a copy already there is kept, it may
// hold the user's changes) and named as the last DEVICE file, so that the device editor opens
// it and a save never writes into the program's own files. Answers the file named; empty when
// the settings already name a file or DataFolder cannot be made.
QString SeedExampleDevice(const QString& DataFolder);

// The folder SeedExampleDevice copies into: Zorvan/ in the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share); empty when there is none.
QString ExampleDataFolder();

// The program's icon in every size it is drawn in.
QIcon ProgramIcon();

}  // namespace zv
