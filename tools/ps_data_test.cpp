#include "tools/ps_data.h"

#include <gtest/gtest.h>

#include "testing/ps_test_support.h"

namespace sorvik {
namespace {

using testing::RecordedHandle;
using testing::RecordedHandles;
using testing::RecordedProcesses;

TEST(PsData, PortScanKeepsDistinctPairsInOrder) {
  RecordedHandles table;
  table.handles = {
      {{400, 0x10}, true, "\\Device\\Tcp", 53},  {{400, 0x14}, true, "\\Device\\Udp", 53},
      {{400, 0x18}, true, "\\Device\\Tcp", 53},   // the same TCP port again: nothing new
      {{400, 0x1C}, true, "\\device\\tcp", 80},   // any letter case is TCP
      {{400, 0x20}, true, "\\Device\\Udp", 0},    // no address: no port
      {{400, 0x24}, false, "\\Device\\Tcp", 81},  // a probe that fails contributes nothing
      {{0, 0x28}, true, "\\Device\\Tcp", 99},     // process 0 is never probed
      {{512, 0x04}, true, "\\Device\\Udp", 137},
  };
  const PortMap ports = ScanOpenPorts(&table);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(FormatPorts(ports.at(400)), "TCP-53 UDP-53 TCP-80 ");
  EXPECT_EQ(FormatPorts(ports.at(512)), "UDP-137 ");
  for (const HandleEntry& entry : table.probed) EXPECT_NE(entry.processId, 0u);
  EXPECT_EQ(table.probed.size(), 7u);

  table.table_fails = true;
  EXPECT_TRUE(ScanOpenPorts(&table).empty());
}

TEST(PsData, PortsTextAndProtocols) {
  EXPECT_EQ(FormatPorts({{kProtocolTcp, 80}, {kProtocolUdp, 137}}), "TCP-80 UDP-137 ");
  EXPECT_EQ(FormatPorts({{kProtocolUdp, 65535}}), "UDP-65535 ");
  EXPECT_EQ(FormatPorts({}), "");
  EXPECT_EQ(ProtocolOfDeviceName("\\Device\\Tcp"), kProtocolTcp);
  EXPECT_EQ(ProtocolOfDeviceName("\\Device\\Udp"), kProtocolUdp);
  EXPECT_EQ(ProtocolOfDeviceName("\\Device\\Raw"), kProtocolUdp);
  PortMap map;
  AddPort(&map, 7, {kProtocolTcp, 53});
  AddPort(&map, 7, {kProtocolUdp, 53});
  AddPort(&map, 7, {kProtocolUdp, 53});
  AddPort(&map, 7, {kProtocolTcp, 53});
  EXPECT_EQ(FormatPorts(map[7]), "TCP-53 UDP-53 ");
}

TEST(PsData, HandleTableRecords) {
  // Two 16-byte records as the system writes them: owner in the first 16 bits, handle at byte 6.
  const uint8_t records[32] = {
      0x34, 0x12, 0, 0, 0x1C, 0x00, 0x48, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,
      0x04, 0x00, 0, 0, 0x05, 0x01, 0xFC, 0x0F, 1, 2, 3, 4, 5, 6, 7, 8,
  };
  const std::vector<HandleEntry> entries = ParseHandleTable(records, 2);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].processId, 0x1234u);
  EXPECT_EQ(entries[0].handle, 0x48);
  EXPECT_EQ(entries[1].processId, 4u);
  EXPECT_EQ(entries[1].handle, 0x0FFC);
}

TEST(PsData, ImagePaths) {
  const std::string windows = "C:\\windows";
  EXPECT_EQ(CleanImagePath("\\SystemRoot\\System32\\smss.exe", windows),
            "C:\\windows\\System32\\smss.exe");
  EXPECT_EQ(CleanImagePath("\\??\\C:\\WINDOWS\\system32\\csrss.exe", windows),
            "C:\\WINDOWS\\system32\\csrss.exe");
  // Every "\??\" goes, then the prefix is looked at.
  EXPECT_EQ(CleanImagePath("\\??\\\\SystemRoot\\a.exe", windows), "C:\\windows\\a.exe");
  EXPECT_EQ(CleanImagePath("C:\\x\\\\??\\y.exe", windows), "C:\\x\\y.exe");
  // Only a leading "\SystemRoot\" is replaced.
  EXPECT_EQ(CleanImagePath("C:\\SystemRoot\\b.exe", windows), "C:\\SystemRoot\\b.exe");
  EXPECT_EQ(CleanImagePath("", windows), "SYSTEM");
}

RecordedProcesses ThreeProcesses() {
  RecordedProcesses source;
  source.snapshot = {{0, "[System Process]", 1},
                     {4, "System", 50},
                     {300, "smss.exe", 3},
                     {360, "csrss.exe", 11},
                     {900, "named.exe", 4}};
  source.image_paths = {{300, "\\SystemRoot\\System32\\smss.exe"},
                        {360, "\\??\\C:\\windows\\system32\\csrss.exe"},
                        {900, "C:\\bind\\named.exe"}};
  source.file_sizes = {{"C:\\windows\\System32\\smss.exe", 50000},
                       {"C:\\windows\\system32\\csrss.exe", 6000},
                       {"C:\\bind\\named.exe", 900000},
                       {"C:\\bind\\libdns.dll", 1234}};
  source.working_sets = {{300, 400000}, {360, 3000000}, {900, 20000}};
  source.descriptions = {{"C:\\bind\\named.exe", "Name server"}};
  source.ports[900] = {{kProtocolTcp, 53}, {kProtocolUdp, 53}};
  source.modules[900] = {{"C:\\bind\\named.exe", 0x400000},
                         {"C:\\windows\\system32\\ntdll.dll", 0x7C900000},
                         {"C:\\bind\\libdns.dll", 0x10000000}};
  return source;
}

TEST(PsData, ProcessesFromTheSource) {
  RecordedProcesses source = ThreeProcesses();
  std::vector<ProcessInfo> rows;
  ASSERT_EQ(EnumerateProcesses(&source, &rows), 3);
  // The idle and system processes have no image file and are left out.
  EXPECT_EQ(rows[0].name, "smss.exe");
  EXPECT_EQ(rows[0].path, "C:\\windows\\System32\\smss.exe");
  EXPECT_EQ(rows[0].fileSize, 50000u);
  EXPECT_EQ(rows[0].threadCount, 3u);
  EXPECT_EQ(rows[0].memoryUse, 400000u);
  EXPECT_EQ(rows[0].ports, "");
  EXPECT_EQ(rows[1].path, "C:\\windows\\system32\\csrss.exe");
  EXPECT_EQ(rows[2].description, "Name server");
  EXPECT_EQ(rows[2].ports, "TCP-53 UDP-53 ");
  EXPECT_TRUE(rows[2].modules.empty());

  source.snapshot_fails = true;
  EXPECT_EQ(EnumerateProcesses(&source, &rows), -1);
  EXPECT_TRUE(rows.empty());
}

TEST(PsData, ModulesLeaveOutTheExecutable) {
  RecordedProcesses source = ThreeProcesses();
  std::vector<ModuleInfo> modules;
  EnumerateModules(&source, 900, &modules);
  ASSERT_EQ(modules.size(), 2u);
  EXPECT_EQ(modules[0].name, "ntdll.dll");
  EXPECT_EQ(modules[0].baseAddress, 0x7C900000u);
  EXPECT_EQ(modules[0].fileSize, 0u);  // not in the recorded files: it cannot be opened
  EXPECT_EQ(modules[1].name, "libdns.dll");
  EXPECT_EQ(modules[1].fileSize, 1234u);
  for (const ModuleInfo& module : modules) EXPECT_NE(module.name, "named.exe");
  EnumerateModules(&source, 12345, &modules);
  EXPECT_TRUE(modules.empty());
}

TEST(PsData, ComparisonsAndSortState) {
  ProcessInfo small;
  small.name = "B.exe";
  small.memoryUse = 9;
  small.fileSize = 100000;
  ProcessInfo large;
  large.name = "a.exe";
  large.memoryUse = 100;
  large.fileSize = 20;
  EXPECT_GT(CompareProcesses(small, large, 0), 0);  // letter case is ignored: "a" < "B"
  EXPECT_LT(CompareProcesses(small, large, 5), 0);  // numbers, not texts: 9 < 100
  EXPECT_GT(CompareProcesses(small, large, 2), 0);
  ModuleInfo low;
  low.baseAddress = 0x10000000;
  ModuleInfo high;
  high.baseAddress = 0x7C900000;
  EXPECT_LT(CompareModules(low, high, 3), 0);

  SortState sort;
  sort.Click(5);
  EXPECT_EQ(sort.column, 5);
  EXPECT_TRUE(sort.ascending);
  sort.Click(5);
  EXPECT_FALSE(sort.ascending);
  sort.Click(0);  // a new column starts ascending
  EXPECT_EQ(sort.column, 0);
  EXPECT_TRUE(sort.ascending);
}

}  // namespace
}  // namespace sorvik
