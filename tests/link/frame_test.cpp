#include "TransmitFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kestrune;

TEST(Frame, DiscoverRequestGoldenBytes)
{
    const MacAddress adapter{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    const transmit_frame_stu frame = BuildDiscoverRequest(adapter);
    std::vector<uint8_t> expected(1286, 0);
    const uint8_t head[] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x11, 0x22, 0x33,
                            0x44, 0x55, 0x62, 0x62, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
    std::memcpy(expected.data(), head, sizeof head);
    ASSERT_EQ(sizeof frame, expected.size());
    EXPECT_EQ(0, std::memcmp(&frame, expected.data(), expected.size()));
}
