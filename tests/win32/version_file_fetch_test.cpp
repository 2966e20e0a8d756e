// ctest-resource-lock: update_server
// The version file fetch over the system's FTP layer against a real FTP server on the build's
// update server port: the Linux fetch test's cases, with this system's paths.
#include "version_file_fetch_cases.h"

// The system takes "/" as a separator too: a local path written with it still gets its
// download beside the target.
TEST_F(DownloadVersionFileTest, ALocalPathWithForwardSlashesIsFetchedBesideItsTarget) {
    const std::string folder = m_appData.path() + "/sub folder";
    MakeFolders(folder);
    const std::string target = folder + "/Version.ini";
    FtpServer server(m_root.path(), kPort);

    ::testing::internal::CaptureStdout();
    const int result = DownloadVersionFile(kRemotePath, target);
    const std::string out = ::testing::internal::GetCapturedStdout();

    EXPECT_EQ(result, 1) << out;
    EXPECT_EQ(ReadFile(target), kServerCopy);
    EXPECT_THAT(EntriesOf(folder), ElementsAre("Version.ini"));
    EXPECT_THAT(EntriesOf(m_appData.path()), ElementsAre("sub folder"));
}
