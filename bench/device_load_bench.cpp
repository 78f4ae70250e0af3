// Load time and memory of a device description with many objects (registers, data, clocks,
// extended registers and profile generics in turn), at 1,000, 10,000 and 100,000 objects:
// both must grow linearly with the number of objects.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "cosem/logical_device.h"

using namespace zv;

namespace {

std::string LogicalName(int i) {
  return Format("0100%02X%02X%02XFF", (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
}

std::string Description(int objects) {
  std::string s = "<LogicalDevice>\r\n  <Name Value=\"\\Bench\" />\r\n  <ServerSAP Value=\"0001\" />\r\n";
  s += Format("  <COSEMObjectList Qty=\"%04X\" >\r\n", objects);
  for (int i = 0; i < objects; ++i) {
    const std::string name = "<Name Value=\"" + LogicalName(i) + "\" />";
    switch (i % 5) {
      case 0:
        s += "<RegisterObject>" + name + "<Value><DoubleLongUnsigned Value=\"" + Format("%08X", i) +
             "\" /></Value><ScalerUnit><Scaler Value=\"FF\" /><PhysUnit Value=\"UnitWattHour\" /></ScalerUnit>"
             "</RegisterObject>\r\n";
        break;
      case 1:
        s += "<DataObject>" + name +
             "<DataValue><Structure Qty=\"0002\" ><Unsigned Value=\"05\" /><OctetString Value=\"\\abc\" />"
             "</Structure></DataValue></DataObject>\r\n";
        break;
      case 2:
        s += "<ClockObject>" + name +
             "<Time Value=\"07EA0C0A0410000000800000\" /><TimeZone Value=\"FFC4\" /><Status Value=\"00\" />"
             "<DaylightSavingsBegin Value=\"FFFF03FE0702000000FFC400\" />"
             "<DaylightSavingsEnd Value=\"FFFF0AFE0703000000FFC400\" /><DaylightSavingsDeviation Value=\"3C\" />"
             "<DaylightSavingsEnabled Value=\"01\" /><ClockBase Value=\"ClockBaseInternalCrystal\" /></ClockObject>\r\n";
        break;
      case 3:
        s += "<ExtendedRegisterObject>" + name +
             "<Value><Long Value=\"0010\" /></Value><ScalerUnit><Scaler Value=\"00\" /><PhysUnit Value=\"UnitVolt\" />"
             "</ScalerUnit><Status><Unsigned Value=\"00\" /></Status>"
             "<CaptureTime Value=\"07EA0C0A0410000000800000\" /></ExtendedRegisterObject>\r\n";
        break;
      default:
        s += "<ProfileGenericObject>" + name +
             "<Buffer><Array Qty=\"0000\" ></Array></Buffer><CaptureObjects Qty=\"0001\" ><_CaptureObject>"
             "<ClassId Value=\"0008\" /><LogicalName Value=\"0000010000FF\" /><AttributeIndex Value=\"02\" />"
             "<DataIndex Value=\"0000\" /></_CaptureObject></CaptureObjects><CapturePeriod Value=\"00000384\" />"
             "<SortMethod Value=\"SortFifo\" /><SortObject><ClassId Value=\"0000\" /><LogicalName Value=\"\" />"
             "<AttributeIndex Value=\"00\" /><DataIndex Value=\"0000\" /></SortObject>"
             "<EntriesInUse Value=\"00000000\" /><ProfileEntries Value=\"00000064\" /></ProfileGenericObject>\r\n";
        break;
    }
  }
  s += "  </COSEMObjectList>\r\n</LogicalDevice>\r\n";
  return s;
}

size_t HeapInUse() { return mallinfo2().uordblks; }

void BM_DeviceLoad(benchmark::State& st) {
  const int objects = static_cast<int>(st.range(0));
  const std::string text = Description(objects);
  size_t bytes = 0;
  for (auto _ : st) {
    size_t before = HeapInUse();
    auto dev = MakeLogicalDevice(text);
    bytes = HeapInUse() - before;
    benchmark::DoNotOptimize(dev);
    st.PauseTiming();
    dev.reset();  // freeing is not part of the load
    st.ResumeTiming();
  }
  st.SetItemsProcessed(st.iterations() * objects);
  st.SetComplexityN(objects);
  st.counters["text_bytes"] = static_cast<double>(text.size());
  st.counters["device_bytes"] = static_cast<double>(bytes);
  st.counters["bytes_per_object"] = static_cast<double>(bytes) / objects;
}

}  // namespace

BENCHMARK(BM_DeviceLoad)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)  // several loads even at 100,000 objects: the first one also pays the fresh pages
    ->Complexity(benchmark::oN);
