#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The local Ethernet adapters, read from the kernel's interface list and
// offered in a two-call shape: get the list, then clear it. Tests feed their
// own lists through the same two calls.
namespace kestrune {

#pragma pack(push, 1)
struct adapter_info_stu {
    uint8_t flag;  // the source's mark; always 0 in a copy
    uint8_t mac[8];
    char description[132];
    char adapterName[260];
    uint8_t reserved1[3];
    uint8_t extra[484];
    uint32_t values[8];
    uint8_t reserved2[4];
};
#pragma pack(pop)
static_assert(sizeof(adapter_info_stu) == 924);
static_assert(offsetof(adapter_info_stu, mac) == 1);
static_assert(offsetof(adapter_info_stu, description) == 9);
static_assert(offsetof(adapter_info_stu, adapterName) == 141);
static_assert(offsetof(adapter_info_stu, extra) == 404);
static_assert(offsetof(adapter_info_stu, values) == 888);
static_assert(offsetof(adapter_info_stu, reserved2) == 920);

// One node of a source's list: an adapter record whose flag is the mark (only
// nodes marked 1 are listed) and a link to the next node.
struct adapter_node {
    adapter_info_stu info;
    const adapter_node* next;
};

using AdapterList = std::vector<adapter_info_stu>;

// The two calls of an adapter source. The list returned by getList belongs to
// the source and stays valid until clearList.
struct AdapterSource {
    std::function<const adapter_node*()> getList;
    std::function<void()> clearList;
};

// The source over the kernel's interfaces: Ethernet interfaces with a 6-byte
// hardware address, loopback excluded, in the kernel's order; the description
// is the interface alias, or its name and driver from sysfs.
AdapterSource SystemAdapterSource();

// Walks a source's list: clears the output, copies every node marked 1 into a
// zeroed record (mark, reserved bytes and link left zero), then clears the
// source's list.
void ReadAdapterList(const AdapterSource& source, AdapterList& list);

// "Description (AA:BB:CC:DD:EE:FF)", the text of the adapter box (UTF-8).
std::string AdapterDisplayText(const adapter_info_stu& adapter);

// The capture device of an adapter: an exact name match first, otherwise the
// first device whose name contains the adapter name. -1 when none matches.
int FindCaptureDevice(const std::vector<std::string>& devices, const std::string& adapterName);

}  // namespace kestrune
