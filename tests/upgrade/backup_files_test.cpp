// The file layer of the backup copy (its failures) and the message box layer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "base/automation_error.h"
#include "frame/message_box.h"
#include "upgrade/file_system.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade {
namespace {

using testing::TempDir;
using testing::writeFile;

TEST(FileSystem, FailuresAndTheForcedDelete) {
  TempDir dir;
  writeFile(dir.file("a"), "x");
  ::chmod(dir.file("a").c_str(), 0444);
  const struct {
    const char* what;
    std::function<void()> work;
    int32_t error;
  } cases[] = {
      {"copy of a missing file", [&] { FileSystem::copyFile(dir.file("missing"), dir.file("b"), true); }, 53},
      {"copy into a missing folder", [&] { FileSystem::copyFile(dir.file("a"), dir.file("no/such/folder/b"), true); }, 76},
      {"forced delete of a read-only file", [&] { FileSystem::deleteFile(dir.file("a"), true); }, 0},
      {"delete of a missing file", [&] { FileSystem::deleteFile(dir.file("a"), true); }, 53},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto raised = svrZIVE::testing::raisedBy(c.work);
    EXPECT_EQ(raised.number, c.error);
    EXPECT_EQ(raised.source, c.error ? "Scripting.FileSystemObject" : "");
  }
  EXPECT_FALSE(FileSystem::fileExists(dir.file("a")));
}

TEST(MessageBox, ACallbackGetsTextAndStyleAndItsScopePutsThePreviousOneBack) {
  std::vector<std::pair<std::string, int>> outer, inner;
  ScopedMessageCallback a([&](const std::string& text, int style) { outer.emplace_back(text, style); });
  {
    ScopedMessageCallback b([&](const std::string& text, int style) { inner.emplace_back(text, style); });
    MsgBox("uno", vbCritical);
  }
  MsgBox("dos");
  EXPECT_EQ(inner, (std::vector<std::pair<std::string, int>>{{"uno", 16}}));
  EXPECT_EQ(outer, (std::vector<std::pair<std::string, int>>{{"dos", 0}}));
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

}  // namespace
}  // namespace svrZIVE::upgrade
