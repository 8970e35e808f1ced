#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDirectory.h"
#include "tests/support/XSession.h"

namespace kv::test {

// A test of the program on a virtual X server of its own, in a folder of its own (its settings
// and database files land there). Each step goes through X input and waits for the state the
// program reports. When a test fails and KORVANDEL_TEST_SHOTS names a directory, an image of
// the screen at the end is saved there as <test name>.png.
class DesktopSession : public ::testing::Test {
 protected:
  void SetUp() override {
    KV_REQUIRE_X();
    server_ = std::make_unique<XServer>(width_, height_);
    ASSERT_TRUE(server_->Ok()) << server_->Error();
  }

  void TearDown() override {
    const char* shots = std::getenv("KORVANDEL_TEST_SHOTS");
    if (HasFailure() && shots != nullptr && program_ && program_->Running()) {
      const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
      program_->Shot(std::string(shots) + "/" + info->test_suite_name() + "." + info->name() +
                     ".png");
    }
    program_.reset();
    server_.reset();
  }

  // The screen size of the server the next SetUp starts (set it in the constructor).
  void ScreenSize(int width, int height) {
    width_ = width;
    height_ = height;
  }

  // Starts the program (once per test) with `environment` added.
  bool Start(std::vector<std::string> environment = {}) {
    program_ = std::make_unique<XProgram>(*server_, folder.path(), std::move(environment));
    return program_->Start();
  }
  // Starts the program and waits for the connection dialog to be shown and active.
  bool StartDialog(std::vector<std::string> environment = {}) {
    if (!Start(std::move(environment))) return false;
    bool shown = program_->WaitForWindow("MSSQL Connect");
    if (!shown) ADD_FAILURE() << Describe();
    return shown;
  }
  // Waits for the application frame (the dialog has gone).
  bool WaitForFrame() {
    bool shown = program_->WaitFor("the frame with the keyboard", [this](const ProgramState& s) {
      const StateRecord* w = s.Window();
      return w != nullptr && w->Get("kind") == "frame" && w->Get("active") == "1" &&
             s.Window("MSSQL Connect") == nullptr &&
             program_->Input().FocusedWindow() == w->Get("xid");
    });
    if (!shown) ADD_FAILURE() << Describe();
    return shown;
  }

  XProgram& program() { return *program_; }
  // X input on the test's server, also before the program starts.
  XInput Input() const { return XInput(server_->Display()); }
  bool Click(const std::string& label) {
    bool ok = program_->ClickControl(label);
    if (!ok) ADD_FAILURE() << Describe();
    return ok;
  }
  bool Type(const std::string& text) { return program_->Input().Type(text); }
  bool Keys(const std::vector<std::string>& keys) { return program_->Input().Key(keys); }
  std::string Describe() const { return program_ ? program_->Describe() : "(not started)"; }

  static std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  TempDirectory folder;

 private:
  int width_ = 1024;
  int height_ = 768;
  std::unique_ptr<XServer> server_;
  std::unique_ptr<XProgram> program_;
};

}  // namespace kv::test
