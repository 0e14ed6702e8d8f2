#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "AcTransmitManage.h"
#include "ProgramFolder.h"
#include "TransmitEngine.h"

using namespace kestrune;

namespace {

class FolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        char folder[] = "/tmp/kestrune-job-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        OverrideProgramFolder(std::string(folder) + "/");
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new FolderEnvironment);

}  // namespace

TEST(TransmitJob, BuiltFromTheDeviceAndTheAdapterInUse)
{
    AcTransmitManage::Instance()->SetAdapterMac({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    transmit_job_stu job;
    ASSERT_TRUE(BuildTransmitJob(job, "0C:AB:cd:01:02:03", TransmitLogoAndConfig, "/x/c.xml",
                                 "/x/l.jpg", "{}"));
    // The first 14 bytes are exactly the head of every frame the job sends.
    const uint8_t head[14] = {0x0C, 0xAB, 0xCD, 0x01, 0x02, 0x03, 0x00,
                              0x11, 0x22, 0x33, 0x44, 0x55, 0x62, 0x62};
    EXPECT_EQ(0, std::memcmp(&job, head, sizeof head));
    EXPECT_EQ(0, job.reserved[0] | job.reserved[1]);
    EXPECT_EQ(TransmitLogoAndConfig, job.transmitKind);
    EXPECT_STREQ("/x/c.xml", job.configPath);
    EXPECT_STREQ("/x/l.jpg", job.logoPath);
    EXPECT_STREQ("{}", job.jsonText);
}

TEST(TransmitJob, LongTextsAreCutToTheirFieldsAndBadMacsRefused)
{
    transmit_job_stu job;
    const std::string longPath(400, 'p');
    const std::string longJson(600, 'j');
    ASSERT_TRUE(BuildTransmitJob(job, "00:00:00:00:00:01", TransmitAntiTheft, longPath, longPath,
                                 longJson));
    EXPECT_EQ(259u, std::strlen(job.configPath));
    EXPECT_EQ(259u, std::strlen(job.logoPath));
    EXPECT_EQ(511u, std::strlen(job.jsonText));
    for (const char* bad : {"", "00:00:00:00:00", "00-11-22-33-44-55", "zz:00:00:00:00:00"})
        EXPECT_FALSE(BuildTransmitJob(job, bad, TransmitConfig, "", "", "")) << bad;
}
