// Deliveries on the virtual segment against the device simulator: what the
// devices reassemble, the statuses the engine sets, resends and give-up
// timing, the acknowledgement rules and frame loss.
#include <gtest/gtest.h>

#include <future>
#include <map>
#include <set>

#include "LinkTestSupport.h"

using namespace kestrune;
using namespace kestrune::linktest;
using namespace std::chrono_literals;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ProgramFolderEnvironment);

constexpr auto kJobsLimit = 30s;

class TransferTest : public LinkSegmentTest {
protected:
    // A simulator whose devices count up from base; waits for it to be ready.
    std::unique_ptr<netns::ChildProcess> StartSim(const std::string& base, int devices,
                                                  std::vector<std::string> extra)
    {
        std::vector<std::string> args = {
            "--devices", std::to_string(devices), "--base-mac", base, "--out",
            outDir,      "--log-blocks"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto sim = segment->StartDevsim(args);
        EXPECT_NE("", sim->WaitForLine("READY", 10s)) << "the simulator did not start";
        return sim;
    }

    std::string Received(const std::string& mac, int kind, bool* exists = nullptr)
    {
        return ReadWholeFile(
            outDir + "/" + Plain(mac) + "." + std::to_string(kind) + (kind == 3 ? ".json" : ".bin"),
            exists);
    }

    std::string Input(const std::string& name, const std::string& bytes)
    {
        const std::string path = inDir + "/" + name;
        WriteWholeFile(path, bytes);
        return path;
    }

    void SetUp() override
    {
        LinkSegmentTest::SetUp();
        if (HasFatalFailure())
            return;
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        outDir = MakeFolder("received-" + name);
        inDir = MakeFolder("files-" + name);
        ASSERT_FALSE(outDir.empty() || inDir.empty());
    }

    void TearDown() override
    {
        // No delivery may outlive its segment.
        EXPECT_TRUE(WaitTransmitJobsIdle(kJobsLimit));
        LinkSegmentTest::TearDown();
    }

    std::string outDir, inDir;
};

}  // namespace

TEST_F(TransferTest, DeliveriesArriveByteForByte)
{
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x10, 0x00, 0x01);
    const std::string two = NthMac(base, 0), big = NthMac(base, 1), empty = NthMac(base, 2),
                      noLogo = NthMac(base, 3), both = NthMac(base, 4), anti = NthMac(base, 5);
    auto sim = StartSim(two, 6, {"--no-results"});
    DeviceTap tap(*segment);
    ASSERT_TRUE(tap.Ok());
    for (const std::string& mac : {two, big, empty, noLogo, both, anti})
        AddRow(mac);

    const std::string twoBlocks = PatternBytes(2048, 1);
    const std::string mebibyte = PatternBytes(1 << 20, 2);
    const std::string config3000 = PatternBytes(3000, 3);
    const std::string logo = PatternBytes(1500, 4);
    const std::string json =
        R"({"Lockcode":"1234","Enable":"1","ACName":"ac-one","DNS1":"8.8.8.8","DNS2":"1.1.1.1"})";

    ASSERT_TRUE(StartJob(two, TransmitConfig, Input("two.xml", twoBlocks)));
    ASSERT_TRUE(StartJob(big, TransmitLogo, "", Input("big.jpg", mebibyte)));
    ASSERT_TRUE(StartJob(empty, TransmitConfig, Input("empty.xml", "")));
    ASSERT_TRUE(StartJob(noLogo, TransmitLogoAndConfig, Input("c3000.xml", config3000),
                         inDir + "/missing.jpg"));
    ASSERT_TRUE(StartJob(both, 7 /* unknown kinds are logo and configuration */,
                         Input("both.xml", config3000), Input("both.jpg", logo)));
    ASSERT_TRUE(StartJob(anti, TransmitAntiTheft, "", "", json));
    ASSERT_TRUE(WaitTransmitJobsIdle(kJobsLimit));

    EXPECT_EQ(twoBlocks, Received(two, 1));
    EXPECT_EQ(mebibyte, Received(big, 2));
    bool emptyArrived = false;
    EXPECT_EQ("", Received(empty, 1, &emptyArrived));
    EXPECT_TRUE(emptyArrived);
    EXPECT_EQ(config3000, Received(noLogo, 1));
    bool logoArrived = true;
    Received(noLogo, 2, &logoArrived);
    EXPECT_FALSE(logoArrived);
    EXPECT_EQ(logo, Received(both, 2));
    EXPECT_EQ(config3000, Received(both, 1));
    EXPECT_EQ(json, Received(anti, 3));

    // Statuses: 4 for what was delivered, 5 for the missing logo, 0 untouched.
    struct Expected {
        std::string mac;
        int para, logo, anti;
    };
    for (const Expected& e :
         {Expected{two, 4, 0, 0}, Expected{big, 0, 4, 0}, Expected{empty, 4, 0, 0},
          Expected{noLogo, 4, 5, 0}, Expected{both, 4, 4, 0}, Expected{anti, 0, 0, 4}}) {
        const ap_info_stu row = Row(e.mac);
        EXPECT_EQ(e.para, row.para_status) << e.mac;
        EXPECT_EQ(e.logo, row.logo_status) << e.mac;
        EXPECT_EQ(e.anti, row.antitheft_status) << e.mac;
    }

    // The 2,048 bytes went as exactly two frames: seq 1 flag 1, seq 2 flag 2.
    const auto blocks = LinesFor(*sim, "BLOCK ", two);
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ(1, FieldOf(blocks[0], "seq"));
    EXPECT_EQ(1, FieldOf(blocks[0], "flag"));
    EXPECT_EQ(1024, FieldOf(blocks[0], "len"));
    EXPECT_EQ(2, FieldOf(blocks[1], "seq"));
    EXPECT_EQ(2, FieldOf(blocks[1], "flag"));
    const auto emptyBlocks = LinesFor(*sim, "BLOCK ", empty);
    ASSERT_EQ(1u, emptyBlocks.size());
    EXPECT_EQ(2, FieldOf(emptyBlocks[0], "flag"));
    EXPECT_EQ(0, FieldOf(emptyBlocks[0], "len"));

    // On the wire: addresses, words and zeroed unused bytes, as the device sees them.
    MacAddress twoMac{}, bothMac{}, antiMac{};
    ASSERT_TRUE(ParseMacText(two, twoMac) && ParseMacText(both, bothMac) &&
                ParseMacText(anti, antiMac));
    auto to = [](const MacAddress& mac) {
        return [mac](const transmit_frame_stu& f) {
            return std::memcmp(f.dstMac, mac.data(), 6) == 0;
        };
    };
    const auto twoFrames = tap.Frames(to(twoMac));
    ASSERT_EQ(2u, twoFrames.size());
    const transmit_frame_stu& last = twoFrames[1].frame;
    EXPECT_EQ(FramePara, FrameTypeOf(last));
    EXPECT_EQ(OpParaBlock, FrameOpOf(last));
    EXPECT_EQ(1, FileCountOf(last));
    EXPECT_EQ(0x62, last.etherType[0]);
    EXPECT_EQ(0x62, last.etherType[1]);
    const uint8_t zeros[200] = {};
    EXPECT_EQ(0, std::memcmp(last.deviceInfo, zeros, sizeof last.deviceInfo));
    EXPECT_EQ(0, std::memcmp(last.reserved, zeros, sizeof last.reserved));
    // Kind 3: the logo frames first (type 2, op 3), then the configuration
    // (type 1, op 2), all with file count 2.
    const auto bothFrames = tap.Frames(to(bothMac));
    ASSERT_EQ(2u + 3u, bothFrames.size());
    for (size_t i = 0; i < bothFrames.size(); ++i) {
        const bool logoFrame = i < 2;
        EXPECT_EQ(logoFrame ? FrameLogo : FramePara, FrameTypeOf(bothFrames[i].frame)) << i;
        EXPECT_EQ(logoFrame ? OpLogoBlock : OpParaBlock, FrameOpOf(bothFrames[i].frame)) << i;
        EXPECT_EQ(2, FileCountOf(bothFrames[i].frame)) << i;
    }
    const auto antiFrames = tap.Frames(to(antiMac));
    ASSERT_EQ(1u, antiFrames.size());
    const transmit_frame_stu& antiFrame = antiFrames[0].frame;
    EXPECT_EQ(FrameAntiTheft, FrameTypeOf(antiFrame));
    EXPECT_EQ(OpAntiTheftData, FrameOpOf(antiFrame));
    EXPECT_EQ(1, SeqOf(antiFrame));
    EXPECT_EQ(1, FileCountOf(antiFrame));
    EXPECT_EQ(BlockLast, BlockFlagOf(antiFrame));
    EXPECT_EQ(json.size(), PayloadLenOf(antiFrame));
    EXPECT_EQ(0, antiFrame.payload[json.size()]);
}

TEST_F(TransferTest, SilentDeviceGetsEachBlockFiveTimesThenFails)
{
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x20, 0x00, 0x01);
    const std::string config = NthMac(base, 0), pair = NthMac(base, 1);
    auto sim = StartSim(config, 2, {"--silent"});
    AddRow(config);
    AddRow(pair);
    const std::string file = Input("two.xml", PatternBytes(2048, 5));
    const std::string logoFile = Input("logo.jpg", PatternBytes(100, 6));

    // Both run side by side: kind 2 alone, and kind 3 whose configuration is
    // tried after the logo has failed.
    const auto start = Clock::now();
    auto ended = [&](const std::string& mac, auto done) {
        return std::async(std::launch::async, [&, mac, done] {
            WaitUntil([&] { return done(Row(mac)); }, 15s);
            return std::chrono::duration<double>(Clock::now() - start).count();
        });
    };
    auto configEnd = ended(config, [](const ap_info_stu& r) { return r.para_status == 5; });
    auto logoEnd = ended(pair, [](const ap_info_stu& r) { return r.logo_status == 5; });
    auto pairEnd = ended(pair, [](const ap_info_stu& r) { return r.para_status == 5; });
    ASSERT_TRUE(StartJob(config, TransmitConfig, file));
    ASSERT_TRUE(StartJob(pair, TransmitLogoAndConfig, file, logoFile));
    const double configSeconds = configEnd.get();
    const double logoSeconds = logoEnd.get();
    const double pairSeconds = pairEnd.get();
    ASSERT_TRUE(WaitTransmitJobsIdle(kJobsLimit));

    EXPECT_EQ(5, Row(config).para_status);
    EXPECT_EQ(5, Row(pair).logo_status);
    EXPECT_EQ(5, Row(pair).para_status);
    EXPECT_GT(configSeconds, 4.8);
    EXPECT_LT(configSeconds, 6.5);
    EXPECT_GT(logoSeconds, 4.8);
    EXPECT_LT(logoSeconds, 6.5);
    EXPECT_GT(pairSeconds, 9.6);
    EXPECT_LT(pairSeconds, 12.5);

    // Counted at the simulator: the first block five times, about a second
    // apart; the rest of the file never went.
    auto checkFive = [&](const std::string& mac, int type) {
        std::vector<long> times;
        for (const std::string& line : LinesFor(*sim, "BLOCK ", mac))
            if (FieldOf(line, "type") == type) {
                EXPECT_EQ(1, FieldOf(line, "seq")) << line;
                times.push_back(FieldOf(line, "t"));
            }
        ASSERT_EQ(5u, times.size()) << mac << " type " << type;
        for (size_t i = 1; i < times.size(); ++i) {
            EXPECT_GT(times[i] - times[i - 1], 900) << mac;
            EXPECT_LT(times[i] - times[i - 1], 1300) << mac;
        }
    };
    checkFive(config, 1);
    checkFive(pair, 2);
    checkFive(pair, 1);
}

TEST_F(TransferTest, AcknowledgementRules)
{
    // Four simulators side by side, one per acknowledgement habit.
    const MacAddress anyBase = Mac(0x02, 0x6B, 0x73, 0x30, 0x00, 0x01);
    const MacAddress prevBase = Mac(0x02, 0x6B, 0x73, 0x31, 0x00, 0x01);
    const MacAddress seq2Base = Mac(0x02, 0x6B, 0x73, 0x32, 0x00, 0x01);
    const std::string anyFile = NthMac(anyBase, 0), anyPair = NthMac(anyBase, 1),
                      anyJson = NthMac(anyBase, 2);
    const std::string previous = NthMac(prevBase, 0);
    const std::string seq2 = NthMac(seq2Base, 0);
    // 0xFFFF acknowledges any block, but not the anti-theft frame.
    auto anySim = StartSim(anyFile, 3, {"--ack-seq", "65535", "--no-results"});
    // Every block acknowledged with seq 1: block 2 only ever sees the
    // previous block's number.
    auto prevSim = StartSim(previous, 1, {"--ack-seq", "1", "--no-results"});
    auto seq2Sim = StartSim(seq2, 1, {"--ack-seq", "2", "--no-results"});
    for (const std::string& mac : {anyFile, anyPair, anyJson, previous, seq2})
        AddRow(mac);

    const std::string config = PatternBytes(5000, 7);
    const std::string logo = PatternBytes(2500, 8);
    const std::string json = R"({"Lockcode":"x","Enable":"0","ACName":"","DNS1":"","DNS2":""})";
    ASSERT_TRUE(StartJob(anyFile, TransmitConfig, Input("a.xml", config)));
    ASSERT_TRUE(
        StartJob(anyPair, TransmitLogoAndConfig, Input("b.xml", config), Input("b.jpg", logo)));
    ASSERT_TRUE(StartJob(anyJson, TransmitAntiTheft, "", "", json));
    ASSERT_TRUE(StartJob(previous, TransmitConfig, Input("c.xml", PatternBytes(2048, 9))));
    ASSERT_TRUE(StartJob(seq2, TransmitAntiTheft, "", "", json));
    ASSERT_TRUE(WaitTransmitJobsIdle(kJobsLimit));

    EXPECT_EQ(4, Row(anyFile).para_status);
    EXPECT_EQ(config, Received(anyFile, 1));
    EXPECT_EQ(4, Row(anyPair).logo_status);
    EXPECT_EQ(4, Row(anyPair).para_status);
    EXPECT_EQ(logo, Received(anyPair, 2));
    EXPECT_EQ(config, Received(anyPair, 1));
    EXPECT_EQ(5, Row(anyJson).antitheft_status);
    EXPECT_EQ(5, Row(previous).para_status);
    EXPECT_EQ(5, Row(seq2).antitheft_status);

    // Per-seq arrivals at the simulators.
    auto blockSeqs = [](netns::ChildProcess& sim, const std::string& mac, int type) {
        std::map<long, int> counts;
        for (const std::string& line : LinesFor(sim, "BLOCK ", mac))
            if (FieldOf(line, "type") == type)
                ++counts[FieldOf(line, "seq")];
        return counts;
    };
    EXPECT_EQ((std::map<long, int>{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}),
              blockSeqs(*anySim, anyFile, 1));
    EXPECT_EQ((std::map<long, int>{{1, 5}}), blockSeqs(*anySim, anyJson, 3));
    EXPECT_EQ((std::map<long, int>{{1, 1}, {2, 5}}), blockSeqs(*prevSim, previous, 1));
    EXPECT_EQ((std::map<long, int>{{1, 5}}), blockSeqs(*seq2Sim, seq2, 3));
}

TEST_F(TransferTest, TwentyDeliveriesSurviveTenPercentLossEachWay)
{
    // With 10% loss each way a send and its acknowledgement both get through
    // 81% of the time; two-block files keep the chance that some block loses
    // all five sends (and the delivery rightly fails) near one in a hundred.
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x40, 0x00, 0x01);
    auto sim = StartSim(NthMac(base, 0), 20, {"--loss", "0.1", "--no-results", "--seed", "7"});
    std::vector<std::string> macs, contents;
    for (unsigned i = 0; i < 20; ++i) {
        macs.push_back(NthMac(base, i));
        contents.push_back(PatternBytes(2000, 100 + i));
        AddRow(macs.back());
    }
    for (unsigned i = 0; i < 20; ++i)
        ASSERT_TRUE(StartJob(macs[i], TransmitConfig,
                             Input("f" + std::to_string(i) + ".xml", contents[i])));
    ASSERT_TRUE(WaitTransmitJobsIdle(kJobsLimit));
    for (unsigned i = 0; i < 20; ++i) {
        EXPECT_EQ(4, Row(macs[i]).para_status) << macs[i];
        EXPECT_TRUE(contents[i] == Received(macs[i], 1)) << macs[i];
    }
    // The loss really happened.
    sim->Stop();
    const std::string summary = sim->WaitForLine("SUMMARY", 5s);
    EXPECT_GT(FieldOf(summary, "lost_in"), 0) << summary;
    EXPECT_GT(FieldOf(summary, "lost_out"), 0) << summary;
}

TEST_F(TransferTest, RefusedInputsFailWithoutSending)
{
    const MacAddress base = Mac(0x02, 0x6B, 0x73, 0x50, 0x00, 0x01);
    const std::string missing = NthMac(base, 0), folder = NthMac(base, 1),
                      noCapture = NthMac(base, 2);
    auto sim = StartSim(missing, 3, {"--no-results"});
    for (const std::string& mac : {missing, folder, noCapture})
        AddRow(mac);
    ASSERT_TRUE(StartJob(missing, TransmitConfig, inDir + "/nothing-here.xml"));
    ASSERT_TRUE(StartJob(folder, TransmitLogo, "", inDir));
    ASSERT_TRUE(WaitTransmitJobsIdle(kJobsLimit));
    EXPECT_EQ(5, Row(missing).para_status);
    EXPECT_EQ(5, Row(folder).logo_status);
    EXPECT_TRUE(LinesFor(*sim, "BLOCK ", missing).empty());
    EXPECT_TRUE(LinesFor(*sim, "BLOCK ", folder).empty());

    // A capture device that does not exist: ten attempts 100 ms apart, then 5.
    manage->SetCaptureName("kst-no-such-if");
    const auto start = Clock::now();
    ASSERT_TRUE(StartJob(noCapture, TransmitConfig, Input("x.xml", "abc")));
    ASSERT_TRUE(WaitTransmitJobsIdle(kJobsLimit));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(5, Row(noCapture).para_status);
    EXPECT_GT(seconds, 0.85);
    EXPECT_LT(seconds, 3.0);
    EXPECT_FALSE(StartTransmitThread(nullptr));
}
