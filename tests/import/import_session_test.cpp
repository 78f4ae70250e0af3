// A device imported from a raw log serves what the log showed: a client associates with the
// imported association object and reads the imported values over loopback.
#include <gtest/gtest.h>

#include "app/import/import_device.h"
#include "apdu/ln_services.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "import/import_support.h"
#include "server/services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

class ImportedDevice : public Services {
 protected:
  // The test meter with a load profile of 250 entries, read attribute by attribute.
  static std::string Imported() {
    auto source = MakeLogicalDevice(Device(250));
    TRawLogWriter log;
    log.GetDevice(*source, 1000);
    TRecordingLog pane;
    TImportDevice import(pane);
    return JoinLines(import.EntriesToDevice(import.RawLogToEntries(log.Lines)));
  }
};

}  // namespace

TEST_F(ImportedDevice, ServesTheImportedValues) {
  Start(Imported());
  Associate();
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), Flat(GetData("<LongUnsigned Value=\"0005\" />")));
  EXPECT_EQ(Ask(GetXml(7, "0100630100FF", 7)), Flat(GetData("<DoubleLongUnsigned Value=\"00000064\" />")));

  // The buffer holds the last 100 of the 250 entries the log showed.
  TJoined buffer = GetInBlocks(Client, GetXml(7, "0100630100FF", 2));
  ASSERT_TRUE(buffer.Ok) << buffer.Failure;
  auto entries = TDataHelper::MakeFromPduStr(buffer.RawData);
  const TSequenceOf& rows = TDataHelper::AsArray(*entries);
  ASSERT_EQ(rows.ElementCount(), 100);
  for (int i = 0; i < 100; ++i) {
    const TSequenceOf& row = TDataHelper::AsStructure(*GetDataElement(rows, i));
    const int n = 151 + i;
    EXPECT_EQ(TDataHelper::OctetStringValue(*GetDataElement(row, 0)), EntryTime(n)) << n;
    EXPECT_EQ(TDataHelper::Unsigned32Value(*GetDataElement(row, 1)), EntryValue(n)) << n;
  }
}
