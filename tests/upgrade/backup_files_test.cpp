// The file layer of the backup copy and the message box layer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "frame/automation_error.h"
#include "frame/message_box.h"
#include "upgrade/file_system.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade {
namespace {

using testing::TempDir;
using testing::readFile;

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

TEST(FileSystem, ExistsOnlyForFiles) {
  TempDir dir;
  EXPECT_FALSE(FileSystem::fileExists(dir.file("a")));
  EXPECT_FALSE(FileSystem::fileExists(dir.path().string()));
  EXPECT_FALSE(FileSystem::fileExists(""));
  writeFile(dir.file("a"), "x");
  EXPECT_TRUE(FileSystem::fileExists(dir.file("a")));
}

TEST(FileSystem, CopyOverwritesOnlyWhenAsked) {
  TempDir dir;
  writeFile(dir.file("a"), "new bytes");
  writeFile(dir.file("b"), "old");
  EXPECT_THROW(FileSystem::copyFile(dir.file("a"), dir.file("b"), false), AutomationError);
  EXPECT_EQ(readFile(dir.file("b")), "old");
  FileSystem::copyFile(dir.file("a"), dir.file("b"), true);
  EXPECT_EQ(readFile(dir.file("b")), "new bytes");
  FileSystem::copyFile(dir.file("a"), dir.file("c"), false);
  EXPECT_EQ(readFile(dir.file("c")), "new bytes");
  EXPECT_FALSE(std::filesystem::exists(dir.file("c.tmp")));
}

TEST(FileSystem, CopyFailures) {
  TempDir dir;
  try {
    FileSystem::copyFile(dir.file("missing"), dir.file("b"), true);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 53);
    EXPECT_EQ(e.source(), "Scripting.FileSystemObject");
  }
  writeFile(dir.file("a"), "x");
  try {
    FileSystem::copyFile(dir.file("a"), dir.file("no/such/folder/b"), true);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 76);
  }
}

TEST(FileSystem, DeleteWithForceRemovesReadOnlyFiles) {
  TempDir dir;
  writeFile(dir.file("a"), "x");
  ::chmod(dir.file("a").c_str(), 0444);
  FileSystem::deleteFile(dir.file("a"), true);
  EXPECT_FALSE(FileSystem::fileExists(dir.file("a")));
  try {
    FileSystem::deleteFile(dir.file("a"), true);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 53);
  }
}

TEST(MessageBox, CallbackGetsTextAndStyle) {
  std::vector<std::pair<std::string, int>> shown;
  {
    ScopedMessageCallback callback([&](const std::string& text, int style) { shown.emplace_back(text, style); });
    MsgBox("uno", vbCritical);
    MsgBox("dos");
  }
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], (std::pair<std::string, int>{"uno", 16}));
  EXPECT_EQ(shown[1], (std::pair<std::string, int>{"dos", 0}));
}

TEST(MessageBox, WithoutCallbackTheTextGoesToStandardError) {
  auto previous = setMessageCallback({});
  ::testing::internal::CaptureStderr();
  MsgBox("Se ha producido un error la creación de la tabla T19_TIPOLOGIA1", vbCritical);
  std::string err = ::testing::internal::GetCapturedStderr();
  setMessageCallback(previous);
  EXPECT_NE(err.find("Se ha producido un error la creación de la tabla T19_TIPOLOGIA1"), std::string::npos);
}

TEST(MessageBox, ACallbackThatThrowsCountsAsAcknowledged) {
  ScopedMessageCallback callback([](const std::string&, int) { throw std::runtime_error("closed"); });
  EXPECT_NO_THROW(MsgBox("x", vbCritical));
}

TEST(MessageBox, ScopedCallbackPutsThePreviousOneBack) {
  int outer = 0, inner = 0;
  ScopedMessageCallback a([&](const std::string&, int) { ++outer; });
  {
    ScopedMessageCallback b([&](const std::string&, int) { ++inner; });
    MsgBox("x");
  }
  MsgBox("y");
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 1);
}

}  // namespace
}  // namespace svrZIVE::upgrade
