#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "VirtualSegment.h"

// Fails the current test (never skips it) when the segment cannot be built,
// with the reason, e.g. that root is needed.
#define KESTRUNE_MAKE_SEGMENT(segment)                                     \
    std::unique_ptr<kestrune::netns::VirtualSegment> segment;              \
    do {                                                                   \
        try {                                                              \
            segment = std::make_unique<kestrune::netns::VirtualSegment>(); \
        } catch (const std::exception& error) {                            \
            FAIL() << error.what();                                        \
        }                                                                  \
    } while (false)

namespace kestrune::netns {

// A fixture with one segment per test; SetUp fails the test when it cannot
// be built.
class SegmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        try {
            segment = std::make_unique<VirtualSegment>();
        } catch (const std::exception& error) {
            FAIL() << error.what();
        }
    }
    void TearDown() override { segment.reset(); }

    std::unique_ptr<VirtualSegment> segment;
};

}  // namespace kestrune::netns
