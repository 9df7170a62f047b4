#include "login/updata_thread.h"

#include <gtest/gtest.h>

#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/sha256.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeSystem;

constexpr char16_t kFolder[] = u"C:\\Program Files\\Velqo\\vkr\\";
constexpr char16_t kInstaller[] = u"C:\\Program Files\\Velqo\\vkr\\Viziv_Ezadariz.exe";
const std::string kInstallerBytes = "MZ\x90\x00installer";

class UpdataThreadTest : public ::testing::Test {
 protected:
  UpdataThreadTest() {
    ApplicationTitle = kApplicationTitle;
    // The companion is installed, so the worker goes straight to the version check.
    system.files.PutFile(u"C:\\ProgramData\\Velqo\\vkr\\vkrAnimate.exe", "MZ");
    system.files.version_ms = 0x00010004;  // 1.4.0.0
    system.files.version_ls = 0;
  }

  void Describe(const std::string& ini) { system.http.Answer(DefaultVersionCheckUrl, 200, ini); }
  void Run() {
    TUpdataThread::Execute([this] {
      ++close_calls;
      calls_before_close = system.ui.gui_calls;
    });
  }
  int InstallerRequests() const {
    int count = 0;
    for (const auto& r : system.http.requests) count += r.url == DefaultVersionDownloadUrl;
    return count;
  }

  FakeSystem system;
  int close_calls = 0;
  int calls_before_close = -1;
};

TEST_F(UpdataThreadTest, SilentOutcomesShowNothingAndDownloadNothing) {
  const struct {
    const char* name;
    const char* ini;  // nullptr: the description cannot be fetched
  } rows[] = {
      {"unreachable", nullptr},
      {"key missing", "[version]\r\nother=1.5.0.0\r\n"},
      {"section missing", "currentversion=1.5.0.0\r\n"},
      {"other component count", "[version]\r\ncurrentversion=1.5\r\n"},
      {"equal", "[version]\r\ncurrentversion=1.4.0.0\r\n"},
      {"older remote", "[version]\r\ncurrentversion=1.3.9.9\r\n"},
      {"non-numeric", "[version]\r\ncurrentversion=1.4.0.x\r\n"},
      {"html portal", "<html><body>Welcome to the hotel network</body></html>"},
  };
  for (const auto& row : rows) {
    system.http.requests.clear();
    if (row.ini) {
      Describe(row.ini);
    } else {
      system.http.Fail(DefaultVersionCheckUrl, 12007);
    }
    try {
      Run();
    } catch (const VersionFormatError&) {
      // The thread body catches this; Execute lets it through.
      EXPECT_STREQ(row.name, "non-numeric");
    }
    EXPECT_TRUE(system.ui.boxes.empty()) << row.name;
    EXPECT_EQ(InstallerRequests(), 0) << row.name;
    EXPECT_EQ(close_calls, 0) << row.name;
    EXPECT_TRUE(system.files.written.empty()) << row.name;  // nothing beside the program
  }
}

TEST_F(UpdataThreadTest, NewerVersionIsAnnouncedInstalledStartedAndTheLauncherCloses) {
  Describe("[Version]\r\n CurrentVersion = 1.4.0.1 \r\n");
  system.http.Answer(DefaultVersionDownloadUrl, 200, kInstallerBytes);
  Run();
  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].text, u"检测到最新版本1.4.0.1，正在为您更新，请稍候！");
  EXPECT_EQ(system.ui.boxes[0].caption, u"VelqoMorvane");
  EXPECT_EQ(system.ui.boxes[0].type, win::MB_OK);
  EXPECT_EQ(system.files.Contents(kInstaller), kInstallerBytes);
  ASSERT_EQ(system.processes.started.size(), 1u);
  EXPECT_EQ(system.processes.started[0].command_line, u"\"" + std::u16string(kInstaller) + u"\"");
  EXPECT_EQ(system.processes.started[0].creation_flags, 0x220u);
  // The description's whole exchange ends within 30 s; the installer's download is abandoned
  // when fewer than 1 KiB arrived in the last 30 s.
  ASSERT_EQ(system.http.requests.size(), 2u);
  EXPECT_EQ(testing::Describe(system.http.requests[0].bounds), "read=30000 total=30000 min=0 window=0");
  EXPECT_EQ(testing::Describe(system.http.requests[1].bounds), "read=30000 total=0 min=1024 window=30000");
  // CloseApp through the one GUI-thread call, then the terminate request.
  EXPECT_EQ(close_calls, 1);
  EXPECT_EQ(calls_before_close, 1);
  EXPECT_EQ(system.ui.terminate_requests, 1);
}

TEST_F(UpdataThreadTest, AFailedInstallerDownloadSaysSoAndKeepsTheLauncher) {
  const struct {
    const char* name;
    int status;
    std::string body;
    std::uint32_t error;
  } rows[] = {
      {"unreachable", 0, "", 12007},
      {"not found", 404, "MZ error page", 0},
      {"html with 200", 200, "<html>portal</html>", 0},
      {"empty", 200, "", 0},
  };
  for (const auto& row : rows) {
    system.ui.boxes.clear();
    system.files.PutFile(kInstaller, "MZ previous");
    Describe("[version]\r\ncurrentversion=1.4.0.1\r\n");
    if (row.error) {
      system.http.Fail(DefaultVersionDownloadUrl, row.error);
    } else {
      system.http.Answer(DefaultVersionDownloadUrl, row.status, row.body);
    }
    Run();
    ASSERT_EQ(system.ui.boxes.size(), 2u) << row.name;
    EXPECT_EQ(system.ui.boxes[1].text, u"网络出错!") << row.name;
    EXPECT_EQ(system.ui.boxes[1].caption, u"VelqoMorvane");
    EXPECT_TRUE(system.processes.started.empty()) << row.name;
    EXPECT_EQ(close_calls, 0) << row.name;
    EXPECT_EQ(system.ui.terminate_requests, 0);
    EXPECT_EQ(system.files.Contents(kInstaller), "MZ previous") << row.name;
    EXPECT_FALSE(system.files.FileExists(std::u16string(kInstaller) + u".part"));
  }
}

TEST_F(UpdataThreadTest, TheInstallerMustMatchAPublishedDigest) {
  const std::string good = Sha256::HexOf(kInstallerBytes);
  const struct {
    std::string digest;
    bool starts;
  } rows[] = {
      {good, true},
      {std::string(good.size(), '0'), false},
      {"not-a-digest", false},
  };
  for (const auto& row : rows) {
    system.processes.started.clear();
    system.ui.boxes.clear();
    std::string upper = row.digest;
    for (auto& c : upper) c = static_cast<char>(toupper(c));
    Describe("[version]\r\ncurrentversion=1.4.0.1\r\nsha256=" + upper + "\r\n");
    system.http.Answer(DefaultVersionDownloadUrl, 200, kInstallerBytes);
    Run();
    EXPECT_EQ(system.processes.started.size(), row.starts ? 1u : 0u) << row.digest;
    EXPECT_EQ(system.ui.boxes.back().text, row.starts ? std::u16string(u"检测到最新版本1.4.0.1，正在为您更新，请稍候！")
                                                      : std::u16string(u"网络出错!"));
  }
}

TEST_F(UpdataThreadTest, AnInstallerThatCannotStartKeepsTheLauncherOpen) {
  Describe("[version]\r\ncurrentversion=1.4.0.1\r\n");
  system.http.Answer(DefaultVersionDownloadUrl, 200, kInstallerBytes);
  system.processes.start_fails = true;
  Run();
  ASSERT_EQ(system.ui.boxes.size(), 2u);
  EXPECT_EQ(system.ui.boxes[1].text, u"网络出错!");
  EXPECT_EQ(close_calls, 0);
  EXPECT_EQ(system.ui.terminate_requests, 0);
}

class ReadOnlyFolderUpdateTest : public UpdataThreadTest {
 protected:
  ReadOnlyFolderUpdateTest() {
    system.files.MakeReadOnly(kFolder);
    system.files.PutDirectory(system.files.temp_folder);
    system.machine.guid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Describe("[version]\r\ncurrentversion=1.4.0.1\r\n");
  }
  // The folder a random name of the fake's GUID gives.
  const std::u16string private_folder = system.files.temp_folder + u"vkr-0102030405060708090a0b0c0d0e0f10";
};

TEST_F(ReadOnlyFolderUpdateTest, TheInstallerGoesIntoAPrivateNewFolderAndStartsThere) {
  system.http.Answer(DefaultVersionDownloadUrl, 200, kInstallerBytes);
  Run();
  ASSERT_EQ(system.files.new_directories, std::vector<std::u16string>{private_folder});
  const std::u16string saved = private_folder + u"\\Viziv_Ezadariz.exe";
  EXPECT_EQ(system.files.Contents(saved), kInstallerBytes);
  EXPECT_FALSE(system.files.FileExists(system.files.temp_folder + u"Viziv_Ezadariz.exe"));
  ASSERT_EQ(system.processes.started.size(), 1u);
  EXPECT_EQ(system.processes.started[0].command_line, u"\"" + saved + u"\"");
  EXPECT_EQ(system.processes.started[0].current_directory, private_folder + u"\\");
  EXPECT_EQ(close_calls, 1);
}

TEST_F(ReadOnlyFolderUpdateTest, AFolderOfThatNameIsNeverUsed) {
  // Planted before the update: a folder (or a file) of the name the worker would choose.
  const struct {
    const char* name;
    bool folder;
  } rows[] = {{"folder", true}, {"file", false}};
  for (const auto& row : rows) {
    system.files.DeleteFile(private_folder + u"\\planted.dll");
    system.files.RemoveDirectory(private_folder);
    system.files.DeleteFile(private_folder);
    if (row.folder) {
      system.files.PutFile(private_folder + u"\\planted.dll", "MZ planted");
    } else {
      system.files.PutFile(private_folder, "planted");
    }
    system.http.requests.clear();
    system.ui.boxes.clear();
    system.http.Answer(DefaultVersionDownloadUrl, 200, kInstallerBytes);
    Run();
    EXPECT_TRUE(system.files.new_directories.empty()) << row.name;
    EXPECT_EQ(InstallerRequests(), 0) << row.name;
    ASSERT_EQ(system.ui.boxes.size(), 2u) << row.name;
    EXPECT_EQ(system.ui.boxes[1].text, u"网络出错!");
    EXPECT_TRUE(system.processes.started.empty()) << row.name;
    EXPECT_EQ(close_calls, 0) << row.name;
  }
}

TEST_F(ReadOnlyFolderUpdateTest, AFailedDownloadRemovesItsPrivateFolder) {
  system.http.Answer(DefaultVersionDownloadUrl, 200, "<html>portal</html>");
  Run();
  ASSERT_EQ(system.files.new_directories, std::vector<std::u16string>{private_folder});
  EXPECT_FALSE(system.files.DirectoryExists(private_folder));
  ASSERT_EQ(system.ui.boxes.size(), 2u);
  EXPECT_EQ(system.ui.boxes[1].text, u"网络出错!");
  EXPECT_TRUE(system.processes.started.empty());
}

TEST_F(UpdataThreadTest, AMissingCompanionIsFetchedBeforeTheVersionCheck) {
  system.files.DeleteFile(u"C:\\ProgramData\\Velqo\\vkr\\vkrAnimate.exe");
  Describe("[version]\r\ncurrentversion=1.4.0.0\r\n");
  Run();
  ASSERT_GE(system.http.requests.size(), 2u);
  EXPECT_EQ(system.http.requests[0].url, AnimateIconDownloadUrl);
  EXPECT_EQ(system.http.requests[1].url, DefaultVersionCheckUrl);
  for (const auto& request : system.http.requests) EXPECT_GT(request.bounds.read_timeout_ms, 0u);
}

TEST_F(UpdataThreadTest, ALauncherWithoutVersionInformationUpdatesToAnyVersion) {
  system.files.has_version = false;
  Describe("[version]\r\ncurrentversion=0.0.0.1\r\n");
  system.http.Answer(DefaultVersionDownloadUrl, 200, kInstallerBytes);
  Run();
  EXPECT_EQ(system.processes.started.size(), 1u);
}

TEST_F(UpdataThreadTest, StartRunsTheWorkerOnItsOwnThreadAndSwallowsErrors) {
  Describe("[version]\r\ncurrentversion=x.y.z.w\r\n");
  EXPECT_TRUE(TUpdataThread::Start([] {}));
  ASSERT_EQ(system.threads.pending.size(), 1u);
  EXPECT_TRUE(system.http.requests.empty());  // nothing ran on the caller's thread
  system.threads.RunAll();                    // the error ends the run without escaping
  EXPECT_FALSE(system.http.requests.empty());
  system.threads.start_fails = true;
  EXPECT_FALSE(TUpdataThread::Start([] {}));
}

TEST(Sha256Test, KnownDigests) {
  EXPECT_EQ(Sha256::HexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256::HexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256::HexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256::HexOf(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace vkr
