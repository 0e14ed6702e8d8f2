// The transport manager on the virtual segment: discovery into the device
// table and the database, device results into statuses and result logs, and
// junk from the segment.
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <set>

#include "LinkTestSupport.h"
#include "ResultLog.h"

using namespace kestrune;
using namespace kestrune::linktest;
using namespace std::chrono_literals;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ProgramFolderEnvironment);

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

std::string NowText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatDateTime(local);
}

// How many lines of a day's log name the device and the operation.
int LogLines(bool success, const std::string& mac, const std::string& kind)
{
    const std::string text = ReadWholeFile(ProgramFolder() + "Log/" + Today() + "/" +
                                           (success ? "Success.txt" : "Fail.txt"));
    const std::string needle = mac + "\t" + kind + "\t";
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

class TransportTest : public LinkSegmentTest {
protected:
    // The scan of the adapter page: threads restarted, table and database
    // emptied, then the broadcast.
    void Scan()
    {
        ASSERT_TRUE(manage->Init());
        ASSERT_TRUE(manage->Receiving());
        manage->ClearDeviceTable();
        ASSERT_TRUE(sql->DeleteAllDevices());
        ASSERT_TRUE(manage->BroadcastDiscover());
    }

    std::unique_ptr<netns::ChildProcess> StartSim(std::vector<std::string> args)
    {
        auto sim = segment->StartDevsim(args);
        EXPECT_NE("", sim->WaitForLine("READY", 10s)) << "the simulator did not start";
        return sim;
    }
};

}  // namespace

TEST_F(TransportTest, ScanFindsEveryDeviceOnceWithTheTimeOfItsFirstAnswer)
{
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x60, 0x00, 0x01);
    // Every answer twice, and fields filled to their full width without a NUL.
    auto sim = StartSim(
        {"--devices", "50", "--base-mac", NthMac(base, 0), "--answer-repeat", "2", "--full-width"});
    const std::string before = NowText();
    Scan();
    ASSERT_TRUE(WaitUntil([&] { return manage->DeviceCount() == 50 && RowCount() == 50; }, 5s))
        << manage->DeviceCount() << " in the table, " << RowCount() << " rows";
    const std::string after = NowText();

    const std::vector<ap_discover_stu> table = manage->DeviceTable();
    std::set<std::string> expected, seen;
    for (unsigned i = 0; i < 50; ++i)
        expected.insert(NthMac(base, i));
    for (const ap_discover_stu& record : table) {
        const std::string mac = FieldText(record.mac);
        EXPECT_TRUE(seen.insert(mac).second) << mac << " twice";
        EXPECT_GE(std::string(record.date), before);
        EXPECT_LE(std::string(record.date), after);
        // Full-width fields are copied as they stand: no NUL inside them.
        EXPECT_EQ(nullptr, std::memchr(record.ssid2, 0, sizeof record.ssid2)) << mac;
        EXPECT_EQ(nullptr, std::memchr(record.wpakey5, 0, sizeof record.wpakey5)) << mac;
        const ap_info_stu row = Row(mac);
        EXPECT_STREQ(record.date, row.date) << mac;
        EXPECT_EQ(0, row.para_status);
        EXPECT_EQ(0, row.logo_status);
        EXPECT_EQ(0, row.antitheft_status);
        EXPECT_EQ(FieldText(record.ssid2).substr(0, 33), std::string(row.ssid2)) << mac;
    }
    EXPECT_EQ(expected, seen);

    // Answers to a re-broadcast a second later change nothing.
    std::this_thread::sleep_for(1100ms);
    ASSERT_TRUE(manage->BroadcastDiscover());
    ASSERT_TRUE(WaitUntil([&] { return sim->Lines().size() >= 3; }, 5s));  // READY + 2 DISCOVER
    std::this_thread::sleep_for(300ms);
    const std::vector<ap_discover_stu> again = manage->DeviceTable();
    ASSERT_EQ(table.size(), again.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_STREQ(table[i].mac, again[i].mac);
        EXPECT_STREQ(table[i].date, again[i].date);
        EXPECT_STREQ(table[i].date, Row(FieldText(table[i].mac)).date);
    }
    EXPECT_EQ(50, RowCount());

    // A new scan empties both and finds every device again.
    sql->UpdateParaStatus(NthMac(base, 3), 2);
    const std::string rescan = NowText();
    Scan();
    ASSERT_TRUE(WaitUntil([&] { return manage->DeviceCount() == 50 && RowCount() == 50; }, 5s));
    for (const ap_discover_stu& record : manage->DeviceTable())
        EXPECT_GE(std::string(record.date), rescan);
    EXPECT_EQ(0, Row(NthMac(base, 3)).para_status);
}

TEST_F(TransportTest, ResultFramesSetStatusesAndWriteResultLogs)
{
    ASSERT_TRUE(manage->Init());
    ASSERT_TRUE(manage->Receiving());
    DeviceTap tap(*segment);
    ASSERT_TRUE(tap.Ok());
    const MacAddress tool = segment->ToolMac();
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x70, 0x00, 0x01);

    struct Case {
        uint16_t type, op;
        const char* kind;
        bool success;
        int para, logo, anti;
    };
    const Case cases[] = {
        {1, 6, "PARA_DATA", true, 2, 0, 0},      {1, 5, "PARA_DATA", false, 3, 0, 0},
        {2, 8, "LOG_DATA", true, 0, 2, 0},       {2, 7, "LOG_DATA", false, 0, 3, 0},
        {3, 10, "JSON_CMD_DATA", true, 0, 0, 2}, {3, 9, "JSON_CMD_DATA", false, 0, 0, 7},
    };
    const unsigned n = std::size(cases);
    for (unsigned i = 0; i < n; ++i) {
        const std::string mac = NthMac(base, i);
        AddRow(mac);
        MacAddress device{};
        ASSERT_TRUE(ParseMacText(mac, device));
        transmit_frame_stu frame;
        BuildHeader(frame, tool, device, cases[i].type, cases[i].op, 0);
        ASSERT_TRUE(tap.Send(frame));
    }
    // Frames the receive thread must leave alone: a result for another
    // address, a block acknowledgement and an unknown pair.
    const std::string bystander = NthMac(base, n);
    AddRow(bystander);
    MacAddress bystanderMac{};
    ASSERT_TRUE(ParseMacText(bystander, bystanderMac));
    transmit_frame_stu other;
    BuildHeader(other, Mac(0x02, 0, 0, 0, 0, 9), bystanderMac, 1, 5, 0);
    ASSERT_TRUE(tap.Send(other));
    BuildHeader(other, tool, bystanderMac, 1, 4, 0);
    ASSERT_TRUE(tap.Send(other));
    BuildHeader(other, tool, bystanderMac, 4, 6, 0);
    ASSERT_TRUE(tap.Send(other));

    for (unsigned i = 0; i < n; ++i) {
        const std::string mac = NthMac(base, i);
        const Case& c = cases[i];
        EXPECT_TRUE(WaitUntil(
            [&] {
                const ap_info_stu row = Row(mac);
                return row.para_status == c.para && row.logo_status == c.logo &&
                       row.antitheft_status == c.anti;
            },
            3s))
            << c.type << "/" << c.op;
        EXPECT_EQ(1, LogLines(c.success, mac, c.kind)) << c.type << "/" << c.op;
        EXPECT_EQ(0, LogLines(!c.success, mac, c.kind)) << c.type << "/" << c.op;
    }
    const ap_info_stu untouched = Row(bystander);
    EXPECT_EQ(0, untouched.para_status);
    EXPECT_EQ(0, untouched.logo_status);
    EXPECT_EQ(0, untouched.antitheft_status);
    EXPECT_EQ(0, LogLines(false, bystander, "PARA_DATA"));
}

TEST_F(TransportTest, DeviceResultsAfterDeliveries)
{
    // End to end: the simulator applies what it got and reports; the lock
    // code mismatch comes back as status 7.
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x80, 0x00, 0x01);
    const std::string para = NthMac(base, 0), logo = NthMac(base, 1), anti = NthMac(base, 2);
    auto sim = StartSim({"--devices", "3", "--base-mac", para, "--para-result", "fail",
                         "--lock-code", "9999", "--result-delay", "100"});
    ASSERT_TRUE(manage->Init());
    for (const std::string& mac : {para, logo, anti})
        AddRow(mac);
    const std::string folder = MakeFolder("results-files");
    WriteWholeFile(folder + "/c.xml", PatternBytes(3000, 1));
    WriteWholeFile(folder + "/l.jpg", PatternBytes(900, 2));
    ASSERT_TRUE(StartJob(para, TransmitConfig, folder + "/c.xml"));
    ASSERT_TRUE(StartJob(logo, TransmitLogo, "", folder + "/l.jpg"));
    ASSERT_TRUE(StartJob(anti, TransmitAntiTheft, "", "",
                         R"({"Lockcode":"1111","Enable":"1","ACName":"","DNS1":"","DNS2":""})"));
    ASSERT_TRUE(WaitTransmitJobsIdle(10s));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Row(para).para_status == 3 && Row(logo).logo_status == 2 &&
                   Row(anti).antitheft_status == 7;
        },
        3s))
        << Row(para).para_status << " " << Row(logo).logo_status << " "
        << Row(anti).antitheft_status;
    EXPECT_EQ(1, LogLines(false, para, "PARA_DATA"));
    EXPECT_EQ(1, LogLines(true, logo, "LOG_DATA"));
    EXPECT_EQ(1, LogLines(false, anti, "JSON_CMD_DATA"));
}

TEST_F(TransportTest, JunkNeitherCrashesNorDisturbs)
{
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x90, 0x00, 0x01);
    const std::string device = NthMac(base, 0), later = NthMac(base, 1);
    const std::string folder = MakeFolder("junk-files");
    auto sim = StartSim({"--devices", "1", "--base-mac", device, "--out", folder, "--no-results",
                         "--junk-rate", "3000", "--tool-mac", segment->ToolMacText()});
    ASSERT_TRUE(manage->Init());
    DeviceTap tap(*segment);
    ASSERT_TRUE(tap.Ok());
    AddRow(device);
    AddRow(later);

    // A delivery runs while junk arrives from its own device (the simulator)
    // and from everywhere else (below).
    const std::string file = PatternBytes(1 << 20, 11);
    WriteWholeFile(folder + "/big.xml", file);
    ASSERT_TRUE(StartJob(device, TransmitConfig, folder + "/big.xml"));

    std::mt19937 random(5);
    const MacAddress tool = segment->ToolMac();
    const size_t sizes[] = {14,   15,   20,   21,   22,   23,   90,   221,  222, 223,
                            1284, 1285, 1286, 1287, 1500, 1600, 1601, 4000, 9000};
    std::vector<uint8_t> bytes(9000);
    int sent = 0;
    for (uint16_t type = 0; type <= 5; ++type) {
        for (uint16_t op = 0; op <= 12; ++op) {
            for (size_t size : sizes) {
                for (uint8_t& byte : bytes)
                    byte = static_cast<uint8_t>(random());
                // To the tool from strangers, every type and op, never a
                // discovery answer or result of a known device.
                std::memcpy(bytes.data(), tool.data(), 6);
                const uint8_t stranger[6] = {
                    0x02, 0xEE, 0, static_cast<uint8_t>(type), static_cast<uint8_t>(op), 1};
                std::memcpy(bytes.data() + 6, stranger, 6);
                bytes[12] = bytes[13] = 0x62;
                if (size >= 20) {
                    bytes[14] = 0;
                    bytes[15] = static_cast<uint8_t>(type);
                    bytes[18] = 0;
                    bytes[19] = static_cast<uint8_t>(op);
                }
                if (tap.Send(bytes.data(), size))
                    ++sent;
            }
        }
    }
    EXPECT_GT(sent, 1000);
    ASSERT_TRUE(WaitTransmitJobsIdle(60s));
    EXPECT_EQ(4, Row(device).para_status);
    EXPECT_TRUE(file == ReadWholeFile(folder + "/" + Plain(device) + ".1.bin"));

    // The receive thread lives on: a result frame still lands.
    EXPECT_TRUE(manage->Receiving());
    MacAddress laterMac{};
    ASSERT_TRUE(ParseMacText(later, laterMac));
    transmit_frame_stu result;
    BuildHeader(result, tool, laterMac, FrameLogo, OpLogoOk, 0);
    ASSERT_TRUE(tap.Send(result));
    EXPECT_TRUE(WaitUntil([&] { return Row(later).logo_status == 2; }, 3s));
    sim->Stop();
    EXPECT_GT(FieldOf(sim->WaitForLine("SUMMARY", 5s), "junk"), 0);
}

TEST_F(TransportTest, InitRestartsAndStopsWithinMilliseconds)
{
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        ASSERT_TRUE(manage->Init());
        EXPECT_TRUE(manage->Receiving());
        manage->StopThreads();
        EXPECT_FALSE(manage->Receiving());
        EXPECT_LT(Clock::now() - start, 1s);
    }
    // A capture that cannot be opened ends the receive thread quietly.
    manage->SetCaptureName("kst-no-such-if");
    EXPECT_TRUE(manage->Init());
    EXPECT_FALSE(manage->Receiving());
    EXPECT_FALSE(manage->BroadcastDiscover());
}

TEST_F(TransportTest, KernelAdapterListLeadsToTheCaptureDevice)
{
    // The private namespace holds loopback and the tool end of the segment.
    AdapterList list;
    manage->GetAdapterList(list);
    const adapter_info_stu* tool = nullptr;
    for (const adapter_info_stu& adapter : list) {
        EXPECT_STRNE("lo", adapter.adapterName);
        if (segment->ToolInterface() == adapter.adapterName)
            tool = &adapter;
    }
    ASSERT_NE(nullptr, tool);
    EXPECT_EQ(0, std::memcmp(tool->mac, segment->ToolMac().data(), 6));
    const std::string text = AdapterDisplayText(*tool);
    EXPECT_NE(std::string::npos, text.find(" (" + segment->ToolMacText() + ")")) << text;

    manage->SetCaptureName("");
    manage->SetAdapterMac({});
    ASSERT_TRUE(manage->ApplyAdapter(*tool));
    EXPECT_EQ(segment->ToolInterface(), manage->CaptureName());
    EXPECT_EQ(segment->ToolMac(), manage->AdapterMac());
    // And the chosen adapter works: the threads open their capture on it.
    ASSERT_TRUE(manage->Init());
    EXPECT_TRUE(manage->Receiving());
}
