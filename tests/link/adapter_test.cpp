#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AcTransmitManage.h"
#include "LocalAdapter.h"
#include "ProgramFolder.h"

using namespace kestrune;

namespace {

adapter_node MakeNode(uint8_t mark, uint8_t lastMacByte, const char* description, const char* name)
{
    adapter_node node;
    std::memset(&node, 0xAB, sizeof node);  // junk everywhere the copy must not carry over
    node.info.flag = mark;
    const uint8_t mac[8] = {0x00, 0xe0, 0x4c, 0x68, 0x12, lastMacByte, 0, 0};
    std::memcpy(node.info.mac, mac, sizeof mac);
    std::memset(node.info.description, 0, sizeof node.info.description);
    std::strcpy(node.info.description, description);
    std::memset(node.info.adapterName, 0, sizeof node.info.adapterName);
    std::strcpy(node.info.adapterName, name);
    node.next = nullptr;
    return node;
}

// A made-up source that counts its calls.
struct FakeSource {
    std::vector<adapter_node> nodes;
    int gets = 0;
    int clears = 0;
    AdapterSource Source()
    {
        for (size_t i = 0; i + 1 < nodes.size(); ++i)
            nodes[i].next = &nodes[i + 1];
        return {[this]() -> const adapter_node* {
                    ++gets;
                    return nodes.empty() ? nullptr : &nodes[0];
                },
                [this] { ++clears; }};
    }
};

class AdapterEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        char folder[] = "/tmp/kestrune-adapter-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        OverrideProgramFolder(std::string(folder) + "/");
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new AdapterEnvironment);

}  // namespace

TEST(AdapterList, OnlyMarkedNodesAreCopiedInOrderAndCleanly)
{
    FakeSource fake;
    fake.nodes = {MakeNode(1, 0x01, "First NIC", "eth0"), MakeNode(0, 0x02, "Hidden", "eth1"),
                  MakeNode(1, 0x03, "Third NIC", "eth2")};
    AdapterList list(5);  // stale content is cleared
    ReadAdapterList(fake.Source(), list);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("First NIC (00:E0:4C:68:12:01)", AdapterDisplayText(list[0]));
    EXPECT_EQ("Third NIC (00:E0:4C:68:12:03)", AdapterDisplayText(list[1]));
    EXPECT_STREQ("eth2", list[1].adapterName);
    // Mark, reserved bytes and the link are zero in the copy; the carried areas are copied.
    EXPECT_EQ(0, list[0].flag);
    EXPECT_EQ(0, list[0].reserved1[0] | list[0].reserved1[1] | list[0].reserved1[2]);
    EXPECT_EQ(0, list[0].reserved2[0] | list[0].reserved2[3]);
    EXPECT_EQ(0xAB, list[0].extra[483]);
    EXPECT_EQ(0xABABABABu, list[0].values[7]);
    EXPECT_EQ(1, fake.gets);
    EXPECT_EQ(1, fake.clears);
}

TEST(AdapterList, EmptySourceStillClearsAndMissingCallsAreSafe)
{
    FakeSource fake;
    AdapterList list(2);
    ReadAdapterList(fake.Source(), list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(1, fake.clears);
    ReadAdapterList(AdapterSource{}, list);
    EXPECT_TRUE(list.empty());
}

TEST(AdapterList, DisplayTextCopesWithFullWidthDescription)
{
    adapter_info_stu adapter;
    std::memset(&adapter, 0, sizeof adapter);
    std::memset(adapter.description, 'x', sizeof adapter.description);  // no NUL
    const uint8_t mac[6] = {0xab, 0xcd, 0xef, 0x01, 0x02, 0x03};
    std::memcpy(adapter.mac, mac, 6);
    EXPECT_EQ(std::string(132, 'x') + " (AB:CD:EF:01:02:03)", AdapterDisplayText(adapter));
}

TEST(AdapterList, SystemSourceListsEthernetWithoutLoopback)
{
    AdapterList list;
    ReadAdapterList(SystemAdapterSource(), list);
    for (const adapter_info_stu& adapter : list) {
        EXPECT_STRNE("lo", adapter.adapterName);
        EXPECT_NE('\0', adapter.adapterName[0]);
        EXPECT_NE('\0', adapter.description[0]);
    }
}

TEST(CaptureDevice, ChoiceByName)
{
    struct Case {
        std::vector<std::string> devices;
        std::string adapter;
        int expected;
    };
    const Case cases[] = {
        {{"any", "eth0", "eth1"}, "eth1", 2},
        // Neither exact: the first device that contains the name wins.
        {{"a-eth0-x", "b-eth0-y"}, "eth0", 0},
        // An exact name beats an earlier device that merely contains it.
        {{"veth10", "veth1"}, "veth1", 1},
        {{"eth0", "eth1"}, "wlan0", -1},
        {{"eth0"}, "", -1},
        {{}, "eth0", -1},
        // Case matters.
        {{"ETH0"}, "eth0", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, FindCaptureDevice(c.devices, c.adapter)) << c.adapter;
}

TEST(CaptureDevice, ManagerSelectsReportsAndKeepsOldName)
{
    AcTransmitManage& manage = *AcTransmitManage::Instance();
    std::vector<std::string> reported;
    manage.SetCaptureListFailureHook([&](const std::string& text) { reported.push_back(text); });
    bool listFails = false;
    manage.SetCaptureDeviceSource([&](std::vector<std::string>& names) {
        if (listFails)
            return false;
        names = {"any", "dummy-eth7x", "eth7"};
        return true;
    });

    FakeSource fake;
    fake.nodes = {MakeNode(1, 0x07, "Seven", "eth7"), MakeNode(1, 0x08, "Eight", "eth8")};
    manage.SetAdapterSource(fake.Source());
    AdapterList list;
    manage.GetAdapterList(list);
    ASSERT_EQ(2u, list.size());

    EXPECT_TRUE(manage.ApplyAdapter(list[0]));
    EXPECT_EQ("eth7", manage.CaptureName());
    const MacAddress seven{0x00, 0xe0, 0x4c, 0x68, 0x12, 0x07};
    EXPECT_EQ(seven, manage.AdapterMac());

    // No capture device for eth8: the name stays, no report.
    EXPECT_FALSE(manage.SelectCaptureDevice(list[1]));
    EXPECT_EQ("eth7", manage.CaptureName());
    EXPECT_TRUE(reported.empty());

    // The capture device list fails: reported once, the name stays.
    listFails = true;
    EXPECT_FALSE(manage.SelectCaptureDevice(list[0]));
    EXPECT_EQ("eth7", manage.CaptureName());
    EXPECT_EQ(std::vector<std::string>{"pcap_findalldevs error"}, reported);

    manage.SetCaptureListFailureHook({});
    manage.SetCaptureDeviceSource({});
    manage.SetAdapterSource(SystemAdapterSource());
}
