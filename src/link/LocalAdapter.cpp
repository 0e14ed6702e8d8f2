#include "LocalAdapter.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>

#include "DeviceRecords.h"
#include "MacText.h"

namespace kestrune {

namespace {

std::string ReadSysfsLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string DriverOf(const std::string& interface)
{
    char target[PATH_MAX] = {};
    const std::string link = "/sys/class/net/" + interface + "/device/driver";
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0)
        return {};
    const std::string path(target, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DescriptionOf(const std::string& interface)
{
    const std::string alias = ReadSysfsLine("/sys/class/net/" + interface + "/ifalias");
    if (!alias.empty())
        return alias;
    const std::string driver = DriverOf(interface);
    return driver.empty() ? interface : interface + " (" + driver + ")";
}

// The list of the last get call; the source owns it until the clear call.
struct SystemList {
    std::mutex lock;
    std::vector<std::unique_ptr<adapter_node>> nodes;
};

SystemList& TheSystemList()
{
    static SystemList list;
    return list;
}

const adapter_node* GetSystemAdapters()
{
    SystemList& list = TheSystemList();
    std::lock_guard guard(list.lock);
    list.nodes.clear();
    ifaddrs* addresses = nullptr;
    if (getifaddrs(&addresses) != 0)
        return nullptr;
    for (ifaddrs* entry = addresses; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || !entry->ifa_name)
            continue;
        if (entry->ifa_flags & IFF_LOOPBACK)
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_hatype != ARPHRD_ETHER || link->sll_halen != 6)
            continue;
        auto node = std::make_unique<adapter_node>();
        std::memset(node.get(), 0, sizeof *node);
        node->info.flag = 1;
        std::memcpy(node->info.mac, link->sll_addr, 6);
        CopyField(node->info.description, DescriptionOf(entry->ifa_name));
        CopyField(node->info.adapterName, entry->ifa_name);
        if (!list.nodes.empty())
            list.nodes.back()->next = node.get();
        list.nodes.push_back(std::move(node));
    }
    freeifaddrs(addresses);
    return list.nodes.empty() ? nullptr : list.nodes.front().get();
}

void ClearSystemAdapters()
{
    SystemList& list = TheSystemList();
    std::lock_guard guard(list.lock);
    list.nodes.clear();
}

}  // namespace

AdapterSource SystemAdapterSource()
{
    return {GetSystemAdapters, ClearSystemAdapters};
}

void ReadAdapterList(const AdapterSource& source, AdapterList& list)
{
    list.clear();
    const adapter_node* node = source.getList ? source.getList() : nullptr;
    for (; node; node = node->next) {
        if (node->info.flag != 1)
            continue;
        adapter_info_stu copy;
        std::memset(&copy, 0, sizeof copy);
        std::memcpy(copy.mac, node->info.mac, sizeof copy.mac);
        std::memcpy(copy.description, node->info.description, sizeof copy.description);
        std::memcpy(copy.adapterName, node->info.adapterName, sizeof copy.adapterName);
        std::memcpy(copy.extra, node->info.extra, sizeof copy.extra);
        std::memcpy(copy.values, node->info.values, sizeof copy.values);
        list.push_back(copy);
    }
    if (source.clearList)
        source.clearList();
}

std::string AdapterDisplayText(const adapter_info_stu& adapter)
{
    return FieldText(adapter.description) + " (" + MacText(adapter.mac) + ")";
}

int FindCaptureDevice(const std::vector<std::string>& devices, const std::string& adapterName)
{
    if (adapterName.empty())
        return -1;
    for (size_t i = 0; i < devices.size(); ++i)
        if (devices[i] == adapterName)
            return static_cast<int>(i);
    for (size_t i = 0; i < devices.size(); ++i)
        if (devices[i].find(adapterName) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

}  // namespace kestrune
